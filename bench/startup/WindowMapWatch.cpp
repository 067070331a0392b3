#include "bench/startup/WindowMapWatch.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdlib>

#include "bench/line/MonotonicClock.h"

namespace trimora::bench {

WindowMapWatch::WindowMapWatch() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    FConnection = c;
    // Every window made a child of the root (no window manager runs) is reported, maps too.
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
}

WindowMapWatch::~WindowMapWatch() {
    if (FConnection != nullptr) xcb_disconnect(FConnection);
}

std::string WindowMapWatch::Title(std::uint32_t Window) {
    xcb_get_property_cookie_t cookie = xcb_get_property(FConnection, 0, Window, XCB_ATOM_WM_NAME,
                                                        XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(FConnection, cookie, nullptr);
    if (reply == nullptr) return {};
    std::string title(static_cast<const char*>(xcb_get_property_value(reply)),
                      static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return title;
}

std::int64_t WindowMapWatch::WaitForMap(const std::string& TitlePrefix, int TimeoutMs) {
    if (FConnection == nullptr) return -1;
    const std::int64_t deadline = MonotonicNs() + std::int64_t(TimeoutMs) * 1000000;
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(FConnection)) {
            const std::int64_t seen = MonotonicNs();
            bool match = false;
            if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) {
                auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                match = !map->override_redirect &&
                        Title(map->window).compare(0, TitlePrefix.size(), TitlePrefix) == 0;
            }
            std::free(event);
            if (match) return seen;
        }
        const std::int64_t left = deadline - MonotonicNs();
        if (left <= 0 || xcb_connection_has_error(FConnection)) return -1;
        pollfd p{xcb_get_file_descriptor(FConnection), POLLIN, 0};
        ::poll(&p, 1, int(left / 1000000) + 1);
    }
}

}  // namespace trimora::bench
