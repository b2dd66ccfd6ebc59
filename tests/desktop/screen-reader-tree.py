#!/usr/bin/python3
"""The window's accessibility tree as a screen reader reads it, through AT-SPI from another
process: every object's role, name, states and text at start and after Generate, on Qt 6.8 the
announcements of Generate and Copy, and an assistive tool's copy and cut of the password, and one
that the X server refuses. Started by screen-reader.sh (tree), before the program, which it
expects on the accessibility bus of the session and connected to the X server through its relay;
the environment gives TITLE, the window's caption, ANNOUNCES (yes or no) and LISTENING, a file it
makes once it listens, holding the relay's display number."""
import contextlib, os, random, re, socket, struct, subprocess, sys, threading, time
import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib

title = os.environ["TITLE"]
announced = []


def fail(message):
    sys.exit(f"FAIL (tree): {message}")


def poll(seconds, condition):
    """Dispatches AT-SPI events until condition() holds; False after the deadline."""
    deadline = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while True:
        while context.pending():
            context.iteration(False)
        if condition():
            return True
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)


# The program on the accessibility bus, once its window is there.
def keyfold():
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(index)
        if app and app.get_name() == "Keyfold" and app.get_child_count() > 0:
            return app
    return None


# The object and those below it, in the tree's order, less the length box's list, which Qt builds
# only when it is asked for.
def objects_of(accessible):
    if accessible.get_role() == Atspi.Role.LIST:
        return
    yield accessible
    for index in range(accessible.get_child_count()):
        yield from objects_of(accessible.get_child_at_index(index))


# An object as (role, name, states, text).
shown_states = [Atspi.StateType.ENABLED, Atspi.StateType.FOCUSABLE, Atspi.StateType.FOCUSED,
                Atspi.StateType.EDITABLE, Atspi.StateType.CHECKED]


def describe(accessible):
    states = accessible.get_state_set()
    text = "Text" in accessible.get_interfaces()
    return (accessible.get_role(), accessible.get_name(),
            " ".join(state.value_nick for state in shown_states if states.contains(state)),
            Atspi.Text.get_text(accessible, 0, -1) if text else "")


# expected: (role, name, states, pattern of the text) for each object, in the tree's order.
def compare(when, expected):
    objects = []

    def matches():
        objects[:] = [describe(accessible) for accessible in objects_of(window)]
        return len(objects) == len(expected) and all(
            found[:3] == wanted[:3] and re.fullmatch(wanted[3], found[3])
            for found, wanted in zip(objects, expected))

    def show(objects):
        return "".join(f"\n  {role.value_nick} | {name} | {states} | {text}"
                       for role, name, states, text in objects)

    # Events may still be arriving: the tree is read again until it matches or time runs out.
    if not poll(15, matches):
        fail(f"{when}, the tree reads{show(objects)}\nexpected{show(expected)}")


def listen(event):
    announced.append((event.any_data, event.detail1))


def accessibility_bus():
    session = Gio.bus_get_sync(Gio.BusType.SESSION)
    address = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                                None, None, 0, 5000).unpack()[0]
    flags = (Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
             Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
    return Gio.DBusConnection.new_for_address_sync(address, flags)


def listening(bus):
    events = bus.call_sync("org.a11y.atspi.Registry", "/org/a11y/atspi/registry",
                           "org.a11y.atspi.Registry", "GetRegisteredEvents",
                           None, None, 0, 5000).unpack()[0]
    return any(event == "Object:Announcement:" for _, event in events)


class Relay:
    """The program's connection to the X server, passed on both ways. hold() keeps back what the
    server sends it until it next asks to own a selection (SetSelectionOwner), which reaches the
    server first: news of another program's copy in between reaches the program only after its
    own request, as when an assistive tool's copy comes just after another program's."""

    SET_SELECTION_OWNER = 22

    def __init__(self):
        self.released = threading.Condition()
        self.holding = False
        self.ended = threading.Event()  # the program has closed its connection
        self.listener = socket.socket(socket.AF_UNIX)
        for _ in range(20):
            self.display = random.randrange(100, 1000)
            try:
                self.listener.bind(f"\0/tmp/.X11-unix/X{self.display}")
                break
            except OSError:
                continue
        self.listener.listen(1)
        threading.Thread(target=self.serve, daemon=True).start()

    def hold(self):
        with self.released:
            self.holding = True

    # What one side sends, with the file descriptors that go with it (MIT-SHM's segments).
    @staticmethod
    def receive(side):
        data, descriptors, _, _ = socket.recv_fds(side, 65536, 16)
        return data, descriptors

    @staticmethod
    def send(side, data, descriptors):
        socket.send_fds(side, [data], descriptors)
        for descriptor in descriptors:
            os.close(descriptor)

    def serve(self):
        program, _ = self.listener.accept()
        server = socket.socket(socket.AF_UNIX)
        server.connect(f"/tmp/.X11-unix/X{os.environ['DISPLAY'].lstrip(':')}")
        threading.Thread(target=self.requests, args=(program, server), daemon=True).start()
        with contextlib.suppress(BrokenPipeError):  # the program has ended
            while (received := self.receive(server))[0]:
                with self.released:
                    self.released.wait_for(lambda: not self.holding)
                self.send(program, *received)

    # The connection's setup, then requests: an opcode, a byte, the length in words, or 0 and the
    # length in a word of its own (BIG-REQUESTS); little-endian, as the program's is here.
    def requests(self, program, server):
        stream, setup = b"", True
        while (received := self.receive(program))[0]:
            self.send(server, *received)
            stream += received[0]
            while len(stream) >= 8:
                if setup:
                    name, key = struct.unpack_from("<HH", stream, 6)
                    size = 12 + (name + 3) // 4 * 4 + (key + 3) // 4 * 4
                else:
                    words = struct.unpack_from("<H", stream, 2)[0]
                    size = 4 * (words or struct.unpack_from("<I", stream, 4)[0])
                if len(stream) < size:
                    break
                if not setup and stream[0] == self.SET_SELECTION_OWNER:
                    with self.released:
                        self.holding = False
                        self.released.notify_all()
                stream, setup = stream[size:], False
        self.ended.set()


relay = Relay()
listener = Atspi.EventListener.new(listen)
listener.register("object:announcement")
bus = accessibility_bus()
if not poll(30, lambda: listening(bus)):
    fail("the registry does not list the listener")
with open(os.environ["LISTENING"], "w") as listening_file:
    print(relay.display, file=listening_file)
if not poll(30, lambda: keyfold() is not None):
    fail("Keyfold is not on the accessibility bus")
app = keyfold()
window = app.get_child_at_index(0)
# The objects of controls.tsv, in the role AT-SPI gives each kind, with their states and text.
roles = {"window": Atspi.Role.DIALOG, "group": Atspi.Role.PANEL, "label": Atspi.Role.LABEL,
         "combo box": Atspi.Role.COMBO_BOX, "edit": Atspi.Role.TEXT,
         "button": Atspi.Role.PUSH_BUTTON, "check box": Atspi.Role.CHECK_BOX}
states_and_text = [("enabled", ""), ("enabled", ""), ("enabled", ""),
                   ("enabled focusable focused editable", ""),
                   ("enabled focusable focused editable", "4"),
                   ("enabled focusable editable", "Password generated here"),
                   ("enabled focusable", ""), ("focusable", ""), ("focusable", ""),
                   ("enabled", ""), ("enabled", "")]
with open(os.path.join(os.path.dirname(__file__), "controls.tsv"), encoding="utf-8") as table:
    controls = [line.rstrip("\n").split("\t") for line in table if not line.startswith("#")]
before = [(roles[kind], title if kind == "window" else name, *rest)
          for (kind, name), rest in zip(controls, states_and_text, strict=True)]
compare("at start", before)

subprocess.run(["xdotool", "key", "--clearmodifiers", "ctrl+a"], check=True)
subprocess.run(["xdotool", "type", "--delay", "20", "8"], check=True)
subprocess.run(["xdotool", "key", "Return"], check=True)
after = before[:]
after[4] = (Atspi.Role.TEXT, "", "enabled focusable focused editable", "8")
after[5] = (Atspi.Role.TEXT, "Password", "enabled focusable editable", "[A-Za-z0-9]{8}")
after[7] = (Atspi.Role.PUSH_BUTTON, "Copy password to clipboard", "enabled focusable", "")
after[8] = after[8][:2] + ("enabled focusable", "")
compare("after Generate", after)
subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+c"], check=True)

# Politely (ATSPI_LIVE_POLITE), the length and never the password.
version = app.get_toolkit_version()
if os.environ["ANNOUNCES"] == "yes":
    expected = [("New password of 8 characters generated", 1),
                ("Password copied to the clipboard", 1)]
    poll(15, lambda: len(announced) >= len(expected))
    if announced != expected:
        fail(f"announced {announced}, expected {expected}")
    print(f"Qt {version}: announced {announced}")
else:
    print(f"Qt {version} has no announcements")


def clipboard(*target):
    return subprocess.run(["xclip", "-o", "-selection", "clipboard", *target], timeout=2,
                          capture_output=True, text=True).stdout


# The clipboard holds text, marked for clipboard managers.
def marked(text):
    return clipboard() == text and "x-kde-passwordManagerHint" in clipboard("-t", "TARGETS").split()


# An assistive tool's copy and cut (EditableText, answered inside Qt's own bridge) leave the
# password marked as the program's own copies do; the cut empties the box.
box = next(accessible for accessible in objects_of(window)
           if describe(accessible)[:2] == (Atspi.Role.TEXT, "Password"))
password = Atspi.Text.get_text(box, 0, -1)
if not poll(15, lambda: marked(password)):
    fail(f"Copy left {clipboard()!r}")
Atspi.EditableText.copy_text(box, 0, 3)
if not poll(15, lambda: marked(password[:3])):
    fail(f"CopyText left {clipboard()!r} with targets {clipboard('-t', 'TARGETS').split()}")

# Another program copies while the tool's copy is on its way, and the program hears of it only
# after its own request: the server refuses it the clipboard, and the other program's text stays
# there as it was, unmarked; the program answers on. (screen-reader.sh reads Qt's one warning.)
relay.hold()
subprocess.run(["xclip", "-selection", "clipboard"], input="elsewhere", text=True, check=True,
               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
if not poll(15, lambda: clipboard() == "elsewhere"):
    fail(f"xclip could not take the clipboard: {clipboard()!r}")
try:
    Atspi.EditableText.copy_text(box, 0, 3)
    answered = Atspi.Text.get_text(box, 0, -1)
except GLib.Error as error:
    fail(f"the program stopped answering after a refused copy: {error}")
targets = clipboard("-t", "TARGETS").split()
if clipboard() != "elsewhere" or "x-kde-passwordManagerHint" in targets:
    fail(f"a refused copy left {clipboard()!r} with targets {targets}")
if answered != password:
    fail(f"the password box reads {answered!r} after a refused copy")
Atspi.EditableText.cut_text(box, 0, len(password))
if not poll(15, lambda: marked(password) and Atspi.Text.get_text(box, 0, -1) == ""):
    fail(f"CutText left {clipboard()!r} with targets {clipboard('-t', 'TARGETS').split()}, "
         f"and {Atspi.Text.get_text(box, 0, -1)!r} in the box")


# Closing the window ends the program, while its connection to the X server is still there.
def closed():
    subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+F4"], check=True)
    return relay.ended.wait(1)


if not poll(15, closed):
    fail("the program did not end when its window was closed")
