// xdnd-drop: drops files onto a window of the X display the way a file manager does, through
// the XDND protocol (version 5), and waits until the window has taken them.
//   xdnd-drop "WINDOW TITLE" FILE...
// Exit status: 0 the drop was accepted and finished, 1 it was refused or timed out, 2 usage.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/select.h>

namespace {

Window findByTitle(Display* display, Window window, const std::string& title)
{
    char* name = nullptr;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        const bool match = title == name;
        XFree(name);
        if (match) {
            return window;
        }
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = None;
    if (XQueryTree(display, window, &root, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count && found == None; ++i) {
            found = findByTitle(display, children[i], title);
        }
        if (children != nullptr) {
            XFree(children);
        }
    }
    return found;
}

std::string fileUri(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-._~", c) != nullptr) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: xdnd-drop \"WINDOW TITLE\" FILE...\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "xdnd-drop: no display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    const Window target = findByTitle(display, root, argv[1]);
    if (target == None) {
        std::fprintf(stderr, "xdnd-drop: no window titled %s\n", argv[1]);
        return 1;
    }
    std::string uris;
    for (int i = 2; i < argc; ++i) {
        uris += fileUri(argv[i]) + "\r\n";
    }
    auto atom = [&](const char* name) { return XInternAtom(display, name, False); };
    const Atom enter = atom("XdndEnter"), position = atom("XdndPosition"), status = atom("XdndStatus");
    const Atom drop = atom("XdndDrop"), finished = atom("XdndFinished"), leave = atom("XdndLeave");
    const Atom selection = atom("XdndSelection"), copy = atom("XdndActionCopy"), uriList = atom("text/uri-list");

    const Window source = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, selection, source, CurrentTime);
    auto send = [&](Atom type, long l0, long l1, long l2, long l3, long l4) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.display = display;
        event.xclient.window = target;
        event.xclient.message_type = type;
        event.xclient.format = 32;
        event.xclient.data.l[0] = l0;
        event.xclient.data.l[1] = l1;
        event.xclient.data.l[2] = l2;
        event.xclient.data.l[3] = l3;
        event.xclient.data.l[4] = l4;
        XSendEvent(display, target, False, NoEventMask, &event);
        XFlush(display);
    };
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, target, &attributes);
    int x = 0;
    int y = 0;
    Window child = None;
    XTranslateCoordinates(display, target, root, attributes.width / 2, attributes.height / 2, &x, &y, &child);

    send(enter, static_cast<long>(source), 5L << 24, static_cast<long>(uriList), 0, 0);
    send(position, static_cast<long>(source), 0, (static_cast<long>(x) << 16) | y, CurrentTime, static_cast<long>(copy));

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    const int connection = ConnectionNumber(display);
    while (std::chrono::steady_clock::now() < deadline) {
        if (XPending(display) == 0) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(connection, &readable);
            timeval wait{0, 50000};
            select(connection + 1, &readable, nullptr, nullptr, &wait);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage && event.xclient.message_type == status) {
            if ((event.xclient.data.l[1] & 1) == 0) {
                send(leave, static_cast<long>(source), 0, 0, 0, 0);
                std::fprintf(stderr, "xdnd-drop: the window refuses the drop\n");
                return 1;
            }
            send(drop, static_cast<long>(source), 0, CurrentTime, 0, 0);
        } else if (event.type == SelectionRequest) {
            const XSelectionRequestEvent& request = event.xselectionrequest;
            XEvent reply{};
            reply.xselection.type = SelectionNotify;
            reply.xselection.display = display;
            reply.xselection.requestor = request.requestor;
            reply.xselection.selection = request.selection;
            reply.xselection.target = request.target;
            reply.xselection.time = request.time;
            reply.xselection.property = None;
            if (request.target == uriList) {
                XChangeProperty(display, request.requestor, request.property, request.target, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(uris.data()), static_cast<int>(uris.size()));
                reply.xselection.property = request.property;
            }
            XSendEvent(display, request.requestor, False, NoEventMask, &reply);
            XFlush(display);
        } else if (event.type == ClientMessage && event.xclient.message_type == finished) {
            XCloseDisplay(display);
            return 0;
        }
    }
    std::fprintf(stderr, "xdnd-drop: the drop did not finish\n");
    return 1;
}
