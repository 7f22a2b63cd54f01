"""Walks the connected main window's accessibility tree page by page.

Prints one table per page (control, role, name, states, OK/WRONG) and a
line "PAGE: n of m right", then asks the USB speed question through
FULL-SPEED and cancels it. Exits 1 when anything is wrong, 2 when the window
never came up.
"""

import argparse
import subprocess
import sys
import time

import pyatspi

WAIT_S = 30
TITLE = "Tarvik Configurator"

# Tab places in window client pixels, left to right.
TAB_CENTRES = {"AUDIO IN": (55, 19), "AUDIO OUT": (148, 19), "USB": (241, 19)}
TABS = list(TAB_CENTRES)


class Want:
    """One control a page must show: its role, name and the states it must
    (and must not) have."""

    def __init__(self, role, name, states=(), absent=()):
        self.role, self.name = role, name
        self.states, self.absent = set(states), set(absent)


def label(text):
    return Want("label", text)


def combo(name):
    return Want("combo box", name, states=["enabled"])


def channel_rows(channel, options_shown):
    rows = [label(channel + " CHANNEL"), label("MODE"), combo(channel + " CHANNEL MODE")]
    if options_shown:
        for caption in ("SIGNAL LEVEL", "GAIN", "EQ"):
            rows += [label(caption), combo(channel + " CHANNEL " + caption)]
    else:
        rows.append(label("NO OPTION"))
    return rows


def audio_in_page(left_options):
    rows = channel_rows("L", left_options) + channel_rows("R", False)
    if left_options:
        rows += [label("PA MICROPHONE SOUND OUTPUT TO SPEAKER"),
                 combo("PA MICROPHONE SOUND OUTPUT TO SPEAKER")]
    return rows


PAGES = {
    "AUDIO OUT": [label("L/R CHANNEL"), label("OUTPUT VOLUME"), combo("OUTPUT VOLUME")],
    "USB": [label("FUNCTION"), label("MODE"),
            Want("radio button", "HI-SPEED", states=["enabled", "checked"]),
            Want("radio button", "FULL-SPEED", states=["enabled"], absent=["checked"]),
            label("HI-SPEED"), label("FULL-SPEED"), Want("link", "ONLINE HELP")],
}

# Parts of a control that the toolkit lists beneath it, not controls.
INNER_ROLES = {"list", "list item", "menu", "menu item", "scroll bar", "filler", "panel",
               "page tab list", "page tab", "unknown", "redundant object"}


def states_of(obj):
    try:
        return {pyatspi.stateToString(s) for s in obj.getState().getStates()}
    except Exception:  # the object went away while being read
        return set()


def descendants(obj):
    for child in obj:
        if child is None:
            continue
        yield child
        if child.getRoleName() not in ("combo box", "list"):
            yield from descendants(child)


def showing(obj):
    return "showing" in states_of(obj)


def find_app(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def main_window(app):
    for window in app:
        if window is not None and (window.name or "").startswith(TITLE):
            return window
    return None


def wait_for(what, deadline):
    while time.time() < deadline:
        try:
            found = what()
        except Exception:  # the tree is still being built
            found = None
        if found:
            return found
        time.sleep(0.25)
    return None


def x_window():
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^" + TITLE],
                         capture_output=True, text=True, timeout=10).stdout.split()
    return out[0] if out else None


def x_title(wid):
    return subprocess.run(["xdotool", "getwindowname", wid], capture_output=True, text=True,
                          timeout=10).stdout.rstrip("\n")


def click_window(wid, x, y):
    subprocess.run(["xdotool", "mousemove", "--window", wid, str(x), str(y), "click", "1"],
                   timeout=10, check=True)


def click_screen(wid, x, y):
    # Without a window manager the keyboard goes where the focus was set.
    subprocess.run(["xdotool", "windowfocus", "--sync", wid], timeout=10, check=True)
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], timeout=10, check=True)


def show_page(wid, window, tab):
    click_window(wid, *TAB_CENTRES[tab])
    # The page is up once its first wanted control shows, or after a second.
    first = (PAGES.get(tab) or audio_in_page(False))[0]
    wait_for(lambda: any(d.getRoleName() == first.role and d.name == first.name and showing(d)
                         for d in descendants(window)), time.time() + 1)


def row(control, role, name, states, ok):
    return "  %-40s %-13s %-40s %-28s %s" % (control, role, repr(name), " ".join(sorted(states)),
                                             "OK" if ok else "WRONG")


def check_page(window, wid, tab, wants, caption=None):
    """Prints the page's table and whether all of it is right."""
    lines, right, total = [], 0, 0
    shown = [d for d in descendants(window) if showing(d)]

    def judge(control, ok, obj):
        nonlocal right, total
        total += 1
        right += ok
        if obj is None:
            lines.append(row(control, "-", "-", set(), False))
        else:
            lines.append(row(control, obj.getRoleName(), obj.name, states_of(obj) &
                             {"selected", "checked", "enabled", "focusable"}, ok))

    title = x_title(wid)
    judge("window (caption %r)" % title, window.name == title, window)

    tablist = [d for d in shown if d.getRoleName() == "page tab list"]
    tabs = {d.name: d for d in descendants(tablist[0])} if tablist else {}
    for name in TABS:
        tab_obj = tabs.get(name)
        ok = (tab_obj is not None and tab_obj.getRoleName() == "page tab" and
              (("selected" in states_of(tab_obj)) == (name == tab)))
        judge("tab " + name, ok, tab_obj)

    unused = [d for d in shown if d.getRoleName() not in INNER_ROLES]
    for want in wants:
        match = next((d for d in unused if d.getRoleName() == want.role and d.name == want.name),
                     None)
        ok = match is not None and want.states <= states_of(match) and not (
            want.absent & states_of(match))
        if match is not None:
            unused.remove(match)
        judge("%s %r" % (want.role, want.name), ok, match)
    # Controls that show but were not asked for, and unnamed ones the toolkit
    # could not tell a role for, are wrong as well.
    for extra in unused + [d for d in shown if d.getRoleName() in ("filler", "unknown")
                           and d.parent is not None and d.parent != window
                           and d.parent.getRoleName() not in ("page tab list",)]:
        judge("unexpected", False, extra)

    caption = caption or tab
    print("%s:" % caption)
    print("\n".join(lines))
    print("%s: %d of %d right" % (caption, right, total))
    return right == total


def find_named(window, roles, name):
    return next((d for d in descendants(window) if d.getRoleName() in roles and d.name == name
                 and showing(d)), None)


def speed_buttons(window):
    """The two speed buttons, top first: by name where they have one."""
    named = [find_named(window, ("radio button",), n) for n in ("HI-SPEED", "FULL-SPEED")]
    if all(named):
        return named
    # Without names: the two showing check-like controls of the USB page.
    boxes = [d for d in descendants(window) if showing(d)
             and d.getRoleName() in ("radio button", "check box")]
    boxes.sort(key=lambda d: d.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).y)
    return boxes[:2] if len(boxes) >= 2 else None


def check_restart_question(app, window, wid):
    """FULL-SPEED asks the question; Cancel leaves HI-SPEED checked."""
    buttons = speed_buttons(window)
    if buttons is None:
        print("RESTART QUESTION: no speed buttons found: WRONG")
        return False
    hi, full = buttons
    box = full.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    # Clicked rather than invoked: the invocation's reply waits for the box.
    click_screen(wid, box.x + box.width // 2, box.y + box.height // 2)

    def question():
        for window_ in app:
            if window_ is not None and window_.getRoleName() in ("alert", "dialog") \
                    and window_ != window and showing(window_):
                return window_
        return None

    asked = wait_for(question, time.time() + 10)
    if asked is None:
        print("RESTART QUESTION: no question box appeared: WRONG")
        return False
    seen = "%s %r" % (asked.getRoleName(), asked.name)
    cancel = find_named(asked, ("push button",), "Cancel")
    if cancel is None:
        print("RESTART QUESTION: %s has no Cancel button: WRONG" % seen)
        return False
    cancel.queryAction().doAction(0)
    gone = wait_for(lambda: question() is None, time.time() + 10)
    kept = wait_for(lambda: "checked" in states_of(hi) and "checked" not in states_of(full),
                    time.time() + 5)
    ok = bool(gone) and bool(kept)
    print("RESTART QUESTION: %s asked; after Cancel HI-SPEED %s, FULL-SPEED %s: %s" % (
        seen, "checked" if "checked" in states_of(hi) else "unchecked",
        "checked" if "checked" in states_of(full) else "unchecked", "OK" if ok else "WRONG"))
    return ok


def choose_second_item(wid, combo_obj):
    """Opens the list by a click and picks its second item by keyboard."""
    box = combo_obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    click_screen(wid, box.x + box.width // 2, box.y + box.height // 2)
    time.sleep(0.5)
    subprocess.run(["xdotool", "key", "Down", "Return"], timeout=10, check=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pid", type=int, required=True)
    args = parser.parse_args()
    deadline = time.time() + WAIT_S

    app = wait_for(lambda: find_app(args.pid), deadline)
    window = app and wait_for(lambda: main_window(app), deadline)
    connected = window and wait_for(lambda: "[Connected" in (window.name or ""), deadline)
    wid = connected and wait_for(x_window, deadline)
    if not wid:
        print("The connected main window did not appear within %d s" % WAIT_S)
        return 2

    all_right = True
    show_page(wid, window, "AUDIO IN")
    all_right &= check_page(window, wid, "AUDIO IN", audio_in_page(False))
    # PA MICROPHONE on L shows the channel's options and the PA output.
    mode = find_named(window, ("combo box",), "L CHANNEL MODE") or next(
        (d for d in descendants(window) if d.getRoleName() == "combo box" and showing(d)), None)
    if mode is not None:
        choose_second_item(wid, mode)
        wait_for(lambda: find_named(window, ("combo box",), "L CHANNEL GAIN"), time.time() + 3)
    all_right &= check_page(window, wid, "AUDIO IN", audio_in_page(True),
                            "AUDIO IN (L on PA MICROPHONE)")
    for tab in ("AUDIO OUT", "USB"):
        show_page(wid, window, tab)
        all_right &= check_page(window, wid, tab, PAGES[tab])
    all_right &= check_restart_question(app, window, wid)
    return 0 if all_right else 1


if __name__ == "__main__":
    sys.exit(main())
