#include "controller/StatusParser.h"

#include "app/Display.h"
#include "platform/TcpLink.h"

namespace korvane {

StatusParser::StatusParser(TcpLink &controller, Display &display)
    : m_controller(controller), m_display(display)
{
}

void StatusParser::Winsock2_DataArrival()
{
    const QString chunk = m_decoder.decode(m_controller.GetData());
    m_display.Text2.append(chunk);
}

} // namespace korvane
