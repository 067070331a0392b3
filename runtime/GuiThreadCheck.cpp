#include "runtime/GuiThreadCheck.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/Application.h"

namespace trimora {

#ifdef TRIMORA_GUI_THREAD_CHECKS
void RequireGuiThread(const char* Operation) {
    if (Application::Instance().IsGuiThread()) return;
    std::fprintf(stderr, "trimora: %s called off the GUI thread; it belongs to the GUI thread\n",
                 Operation);
    std::abort();
}
#endif

}  // namespace trimora
