/* One drop of files onto an X window through the XDND protocol, as a Linux
 * file manager performs it; the host side of the end-to-end drop tests.
 *
 *   xdnd_drop <window title> <x> <y> <file>...
 *
 * x and y are root-window coordinates (under Wine without a virtual desktop
 * these are also the program's screen coordinates). Each <file> is an absolute
 * Unix path, sent as "file:///..." with every byte outside the unreserved set
 * percent-encoded, or a URI containing "://", sent as given.
 *
 * The window is the viewable X window whose _NET_WM_NAME or WM_NAME is the
 * title; the drop goes to the deepest XdndAware window below it at the point.
 * Exit status: 0 when the target accepted and finished the drop, 1 when it
 * refused it, 2 on bad arguments, 3 when the window or display was not found,
 * 4 on a timeout. Every failure is explained on stderr. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <sys/time.h>

enum {
    kUriListSize = 65536,
    kTitleSize = 512,
    kMaxDepth = 64,
    kOurVersion = 5,
    kStatusTimeoutMs = 10000,
    kFinishedTimeoutMs = 20000
};

enum { kExitOk = 0, kExitRefused = 1, kExitUsage = 2, kExitNotFound = 3, kExitTimeout = 4 };

struct Atoms {
    Atom aware, selection, enter, position, status, leave, drop, finished;
    Atom actionCopy, uriList, targets, netWmName, utf8String;
};

static Display* g_display;
static struct Atoms g_atoms;
static char g_uriList[kUriListSize];
static size_t g_uriListLength;

static void InternAtoms(void)
{
    g_atoms.aware = XInternAtom(g_display, "XdndAware", False);
    g_atoms.selection = XInternAtom(g_display, "XdndSelection", False);
    g_atoms.enter = XInternAtom(g_display, "XdndEnter", False);
    g_atoms.position = XInternAtom(g_display, "XdndPosition", False);
    g_atoms.status = XInternAtom(g_display, "XdndStatus", False);
    g_atoms.leave = XInternAtom(g_display, "XdndLeave", False);
    g_atoms.drop = XInternAtom(g_display, "XdndDrop", False);
    g_atoms.finished = XInternAtom(g_display, "XdndFinished", False);
    g_atoms.actionCopy = XInternAtom(g_display, "XdndActionCopy", False);
    g_atoms.uriList = XInternAtom(g_display, "text/uri-list", False);
    g_atoms.targets = XInternAtom(g_display, "TARGETS", False);
    g_atoms.netWmName = XInternAtom(g_display, "_NET_WM_NAME", False);
    g_atoms.utf8String = XInternAtom(g_display, "UTF8_STRING", False);
}

static long NowMs(void)
{
    struct timeval now;
    gettimeofday(&now, NULL);
    return (long)now.tv_sec * 1000 + now.tv_usec / 1000;
}

/* Appends one list entry; 0 when the list buffer is full. */
static int AppendUri(const char* file)
{
    static const char kHex[] = "0123456789ABCDEF";
    char entry[kUriListSize];
    size_t at = 0;
    if (strstr(file, "://")) {
        int written = snprintf(entry, sizeof(entry), "%s", file);
        if (written < 0 || (size_t)written >= sizeof(entry))
            return 0;
        at = (size_t)written;
    } else {
        int written = snprintf(entry, sizeof(entry), "file://");
        if (written < 0)
            return 0;
        at = (size_t)written;
        for (const unsigned char* c = (const unsigned char*)file; *c; ++c) {
            int plain = (*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z') || (*c >= '0' && *c <= '9') ||
                        *c == '-' || *c == '.' || *c == '_' || *c == '~' || *c == '/';
            if (at + 4 >= sizeof(entry))
                return 0;
            if (plain) {
                entry[at++] = (char)*c;
            } else {
                entry[at++] = '%';
                entry[at++] = kHex[*c >> 4];
                entry[at++] = kHex[*c & 15];
            }
        }
    }
    if (g_uriListLength + at + 2 >= sizeof(g_uriList))
        return 0;
    memcpy(g_uriList + g_uriListLength, entry, at);
    g_uriListLength += at;
    g_uriList[g_uriListLength++] = '\r';
    g_uriList[g_uriListLength++] = '\n';
    g_uriList[g_uriListLength] = 0;
    return 1;
}

/* The window's title, _NET_WM_NAME first, then WM_NAME; "" when it has none. */
static void WindowTitle(Window window, char* out, size_t size)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = NULL;
    out[0] = 0;
    if (XGetWindowProperty(g_display, window, g_atoms.netWmName, 0, kTitleSize / 4, False, g_atoms.utf8String, &type,
                           &format, &count, &remaining, &data) == Success && data) {
        if (type == g_atoms.utf8String && format == 8)
            snprintf(out, size, "%.*s", (int)count, (const char*)data);
        XFree(data);
        if (out[0])
            return;
    }
    char* name = NULL;
    if (XFetchName(g_display, window, &name) && name) {
        snprintf(out, size, "%s", name);
        XFree(name);
    }
}

static int IsShown(Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(g_display, window, &attributes) && attributes.map_state == IsViewable;
}

/* Depth-first search below `parent` for a viewable window with the title. */
static Window FindTitled(Window parent, const char* title, int depth)
{
    if (depth > kMaxDepth)
        return None;
    Window root = None, up = None, *children = NULL;
    unsigned int count = 0;
    if (!XQueryTree(g_display, parent, &root, &up, &children, &count))
        return None;
    Window found = None;
    /* Topmost first: the list runs from bottom to top. */
    for (unsigned int i = count; i-- > 0 && found == None;) {
        char name[kTitleSize];
        WindowTitle(children[i], name, sizeof(name));
        if (strcmp(name, title) == 0 && IsShown(children[i]))
            found = children[i];
        else
            found = FindTitled(children[i], title, depth + 1);
    }
    if (children)
        XFree(children);
    return found;
}

/* The XDND version the window announces, 0 when it is not XdndAware. */
static int AwareVersion(Window window)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = NULL;
    int version = 0;
    if (XGetWindowProperty(g_display, window, g_atoms.aware, 0, 1, False, XA_ATOM, &type, &format, &count, &remaining,
                           &data) == Success && data) {
        if (type == XA_ATOM && format == 32 && count == 1)
            version = (int)*(unsigned long*)data;
        XFree(data);
    }
    return version;
}

/* From the titled window down through the children at the root point, the
 * deepest one that is XdndAware; None when none is. */
static Window DeepestAware(Window top, int x, int y, int* version)
{
    Window root = DefaultRootWindow(g_display);
    Window best = None;
    Window at = top;
    for (int depth = 0; at != None && depth < kMaxDepth; ++depth) {
        int v = AwareVersion(at);
        if (v > 0) {
            best = at;
            *version = v;
        }
        int localX = 0, localY = 0;
        Window child = None;
        if (!XTranslateCoordinates(g_display, root, at, x, y, &localX, &localY, &child))
            break;
        at = child;
    }
    return best;
}

static void SendClientMessage(Window target, Atom type, long l0, long l1, long l2, long l3, long l4)
{
    XEvent event;
    memset(&event, 0, sizeof(event));
    event.xclient.type = ClientMessage;
    event.xclient.display = g_display;
    event.xclient.window = target;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = l0;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(g_display, target, False, NoEventMask, &event);
    XFlush(g_display);
}

/* The target may ask for the data at any time after XdndEnter. */
static void AnswerSelectionRequest(const XSelectionRequestEvent* request)
{
    XEvent reply;
    memset(&reply, 0, sizeof(reply));
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = g_display;
    reply.xselection.requestor = request->requestor;
    reply.xselection.selection = request->selection;
    reply.xselection.target = request->target;
    reply.xselection.time = request->time;
    reply.xselection.property = None;
    Atom property = request->property != None ? request->property : request->target;
    if (request->selection == g_atoms.selection && request->target == g_atoms.uriList) {
        XChangeProperty(g_display, request->requestor, property, g_atoms.uriList, 8, PropModeReplace,
                        (const unsigned char*)g_uriList, (int)g_uriListLength);
        reply.xselection.property = property;
    } else if (request->selection == g_atoms.selection && request->target == g_atoms.targets) {
        Atom offered[2] = {g_atoms.targets, g_atoms.uriList};
        XChangeProperty(g_display, request->requestor, property, XA_ATOM, 32, PropModeReplace,
                        (const unsigned char*)offered, 2);
        reply.xselection.property = property;
    }
    XSendEvent(g_display, request->requestor, False, NoEventMask, &reply);
    XFlush(g_display);
}

/* Handles events until a client message of `type` arrives at `source`
 * (copied into `out`), answering selection requests meanwhile; 0 on timeout. */
static int WaitForMessage(Window source, Atom type, long timeoutMs, XClientMessageEvent* out)
{
    long deadline = NowMs() + timeoutMs;
    int fd = ConnectionNumber(g_display);
    for (;;) {
        while (XPending(g_display)) {
            XEvent event;
            XNextEvent(g_display, &event);
            if (event.type == SelectionRequest) {
                AnswerSelectionRequest(&event.xselectionrequest);
            } else if (event.type == ClientMessage && event.xclient.window == source &&
                       event.xclient.message_type == type) {
                *out = event.xclient;
                return 1;
            } else if (event.type == ClientMessage) {
                char* name = XGetAtomName(g_display, event.xclient.message_type);
                fprintf(stderr, "xdnd_drop: ignored client message %s\n", name ? name : "?");
                if (name)
                    XFree(name);
            }
        }
        long left = deadline - NowMs();
        if (left <= 0)
            return 0;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        struct timeval wait = {left / 1000, (left % 1000) * 1000};
        if (select(fd + 1, &readable, NULL, NULL, &wait) < 0 && errno != EINTR)
            return 0;
    }
}

/* A server timestamp, taken from a property change on our own window. */
static Time ServerTime(Window source)
{
    Atom stamp = XInternAtom(g_display, "XDND_DROP_TIMESTAMP", False);
    unsigned char nothing = 0;
    XChangeProperty(g_display, source, stamp, XA_STRING, 8, PropModeReplace, &nothing, 0);
    XEvent event;
    XWindowEvent(g_display, source, PropertyChangeMask, &event);
    return event.xproperty.time;
}

int main(int argc, char** argv)
{
    if (argc < 5) {
        fprintf(stderr, "usage: %s <window title> <x> <y> <file or uri>...\n", argv[0]);
        return kExitUsage;
    }
    char* end = NULL;
    long x = strtol(argv[2], &end, 10);
    if (*end || x < 0 || x > 32767) {
        fprintf(stderr, "xdnd_drop: bad x '%s'\n", argv[2]);
        return kExitUsage;
    }
    long y = strtol(argv[3], &end, 10);
    if (*end || y < 0 || y > 32767) {
        fprintf(stderr, "xdnd_drop: bad y '%s'\n", argv[3]);
        return kExitUsage;
    }
    for (int i = 4; i < argc; ++i) {
        if (argv[i][0] != '/' && !strstr(argv[i], "://")) {
            fprintf(stderr, "xdnd_drop: not an absolute path or URI: '%s'\n", argv[i]);
            return kExitUsage;
        }
        if (!AppendUri(argv[i])) {
            fprintf(stderr, "xdnd_drop: the file list does not fit %d bytes\n", (int)kUriListSize);
            return kExitUsage;
        }
    }

    g_display = XOpenDisplay(NULL);
    if (!g_display) {
        fprintf(stderr, "xdnd_drop: cannot open display '%s'\n", getenv("DISPLAY") ? getenv("DISPLAY") : "");
        return kExitNotFound;
    }
    InternAtoms();
    Window root = DefaultRootWindow(g_display);
    Window top = FindTitled(root, argv[1], 0);
    if (top == None) {
        fprintf(stderr, "xdnd_drop: no viewable window titled '%s'\n", argv[1]);
        XCloseDisplay(g_display);
        return kExitNotFound;
    }
    int targetVersion = 0;
    Window target = DeepestAware(top, (int)x, (int)y, &targetVersion);
    if (target == None) {
        fprintf(stderr, "xdnd_drop: window 0x%lx '%s' is not XdndAware at %ld,%ld\n", (unsigned long)top, argv[1], x, y);
        XCloseDisplay(g_display);
        return kExitNotFound;
    }
    /* The lower of the two versions: a target ignores an Enter above its own. */
    int version = targetVersion < kOurVersion ? targetVersion : kOurVersion;
    fprintf(stderr, "xdnd_drop: target 0x%lx (XdndAware %d, using %d) at %ld,%ld\n", (unsigned long)target,
            targetVersion, version, x, y);

    XSetWindowAttributes attributes;
    memset(&attributes, 0, sizeof(attributes));
    attributes.event_mask = PropertyChangeMask;
    Window source = XCreateWindow(g_display, root, -10, -10, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent,
                                  CWEventMask, &attributes);
    Time time = ServerTime(source);
    XSetSelectionOwner(g_display, g_atoms.selection, source, time);
    if (XGetSelectionOwner(g_display, g_atoms.selection) != source) {
        fprintf(stderr, "xdnd_drop: could not take XdndSelection\n");
        XCloseDisplay(g_display);
        return kExitNotFound;
    }

    int status = kExitOk;
    XClientMessageEvent reply;
    SendClientMessage(target, g_atoms.enter, (long)source, (long)version << 24, (long)g_atoms.uriList, 0, 0);
    SendClientMessage(target, g_atoms.position, (long)source, 0, (x << 16) | y, (long)time, (long)g_atoms.actionCopy);
    if (!WaitForMessage(source, g_atoms.status, kStatusTimeoutMs, &reply)) {
        fprintf(stderr, "xdnd_drop: no XdndStatus within %d ms\n", (int)kStatusTimeoutMs);
        SendClientMessage(target, g_atoms.leave, (long)source, 0, 0, 0, 0);
        status = kExitTimeout;
    } else if (!(reply.data.l[1] & 1)) {
        fprintf(stderr, "xdnd_drop: the target refused the drop (XdndStatus flags %ld)\n", reply.data.l[1]);
        SendClientMessage(target, g_atoms.leave, (long)source, 0, 0, 0, 0);
        status = kExitRefused;
    } else {
        SendClientMessage(target, g_atoms.drop, (long)source, 0, (long)time, 0, 0);
        if (!WaitForMessage(source, g_atoms.finished, kFinishedTimeoutMs, &reply)) {
            fprintf(stderr, "xdnd_drop: no XdndFinished within %d ms\n", (int)kFinishedTimeoutMs);
            status = kExitTimeout;
        } else if (version >= 5 && !(reply.data.l[1] & 1)) {
            fprintf(stderr, "xdnd_drop: the target finished without taking the drop (flags %ld)\n", reply.data.l[1]);
            status = kExitRefused;
        }
    }
    XDestroyWindow(g_display, source);
    XCloseDisplay(g_display);
    return status;
}
