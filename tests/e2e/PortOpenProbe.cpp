// Opens one serial port the way the program does and prints the outcome on one line:
// "open" or "EComPort <code> <os error> <message>". Tests run it as another user.
#include <cstdio>
#include <exception>

#include "runtime/Application.h"
#include "serial/ComPort.h"
#include "tests/serial/SerialTestSupport.h"

int main(int argc, char** argv) {
    using namespace trimora;
    if (argc != 2) {
        std::fprintf(stderr, "usage: port_open_probe PORT\n");
        return 2;
    }
    Application::Instance();
    TComPort port(nullptr);
    test::ConfigureLikeProtocol(port);
    port.SetPort(argv[1]);
    try {
        port.OpenPort();
        std::printf("open\n");
        port.ClosePort();
    } catch (const EComPort& e) {
        std::printf("EComPort %d %d %s\n", e.PortErrorNumber(), e.WindowsError(), e.what());
    } catch (const std::exception& e) {
        std::printf("other %s\n", e.what());
    }
    return 0;
}
