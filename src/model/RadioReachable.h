#pragma once

#include "model/RadioSessionState.h"
#include "platform/TcpLink.h"

namespace korvane {

// The radio's figures are live: its console socket is connected, or the
// radio (a 5G CPE has no console socket) is logged in, and its readings
// still come. The optimisation and the cloud's "radio online" both go by
// this one rule, so none of them decides on a figure the radio no longer gives.
inline bool radioReachable(const TcpLink &radioSocket, const RadioSessionState &radio)
{
    return (radioSocket.State() == TcpLink::Connected || radio.loggedIn) && !radio.figuresStale;
}

} // namespace korvane
