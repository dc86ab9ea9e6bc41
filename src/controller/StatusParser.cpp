#include "controller/StatusParser.h"

#include "app/Display.h"
#include "platform/TcpLink.h"
#include "text/Encoding.h"

namespace korvane {

StatusParser::StatusParser(TcpLink &controller, Display &display)
    : m_controller(controller), m_display(display)
{
}

void StatusParser::Winsock2_DataArrival()
{
    const QString chunk = Utf8ToUnicode(m_controller.GetData());
    m_display.Text2.append(chunk);
}

} // namespace korvane
