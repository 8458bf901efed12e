#!/usr/bin/env python3
"""The running program as a screen reader sees it, through AT-SPI.

    atspi_walk.py walk        prints every control that takes the focus (name, role, value) and
                              checks that the names tell them apart, that each spinner reports
                              the number in the box beside it, and that "Increase" and
                              "Decrease" move that number the way they say
    atspi_walk.py press NAME  performs "Press" on the push button called NAME
    atspi_walk.py notice      prints the alert the program shows at start, as a screen reader
                              reads it: its name, then its text

Exits 1 on the first failed check. Every wait is bounded.
"""
import sys
import time

import pyatspi

APP_NAME = "vantrel"


def fail(message):
    print(f"FAIL {message}", file=sys.stderr)
    sys.exit(1)


def wait_for(what, probe, seconds=20):
    deadline = time.monotonic() + seconds
    while True:
        found = probe()
        if found:
            return found
        if time.monotonic() > deadline:
            fail(f"no {what} within {seconds} s")
        time.sleep(0.1)


def find_application():
    def probe():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == APP_NAME and app.childCount > 0:
                return app
        return None

    return wait_for("accessible application", probe)


def descendants(node):
    for child in node:
        if child is None:
            continue
        yield child
        yield from descendants(child)


def focusable_controls(app):
    return [n for n in descendants(app) if n.getState().contains(pyatspi.STATE_FOCUSABLE)]


def value_of(node):
    """What the control holds: a spinner's value, a box's text, a check box's tick."""
    if node.getRole() == pyatspi.ROLE_SCROLL_BAR:
        return str(round(node.queryValue().currentValue))
    if node.getRole() == pyatspi.ROLE_TEXT:
        return node.queryText().getText(0, -1)
    if node.getRole() == pyatspi.ROLE_CHECK_BOX:
        return "checked" if node.getState().contains(pyatspi.STATE_CHECKED) else "unchecked"
    return ""


def vertical_span(node):
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return extents.y, extents.y + extents.height


def box_beside(spinner, boxes):
    top, bottom = vertical_span(spinner)
    beside = [b for b in boxes if vertical_span(b)[0] < bottom and vertical_span(b)[1] > top]
    if len(beside) != 1:
        fail(f"{len(beside)} number boxes beside the spinner {spinner.name!r}")
    return beside[0]


def labelled_by(node):
    names = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            names += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return names


def do_action(node, action):
    actions = node.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    if action not in names:
        fail(f"{node.name!r} offers no {action!r}, only {names}")
    print(f"action {action!r} on {node.name!r}")
    actions.doAction(names.index(action))


def show(node):
    print(f"{node.name!r:36} {node.getRoleName():12} {value_of(node)!r}")


def spinner_and_box(label, spinners, boxes):
    for spinner in spinners:
        if label in labelled_by(spinner):
            return spinner, box_beside(spinner, boxes)
    fail(f"no spinner labelled by {label!r}")


def expect_shown(spinner, box, number):
    def both_show():
        return value_of(spinner) == value_of(box) == str(number)

    if not wait_for_quietly(both_show):
        fail(f"{spinner.name!r} shows {value_of(spinner)}, its box {value_of(box)}; "
             f"expected {number}")
    print(f"{spinner.name!r} = {value_of(spinner)}, {box.name!r} shows {value_of(box)!r}")


def wait_for_quietly(condition, seconds=5):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)
    return True


def walk(app):
    controls = focusable_controls(app)
    for node in controls:
        show(node)
    for node in descendants(app):
        if node.getRole() == pyatspi.ROLE_IMAGE:
            print(f"picture: {node.name!r} {node.getRoleName()}")
            if not node.name:
                fail("the picture has no name")

    names = [node.name for node in controls]
    if len(controls) != 10:
        fail(f"{len(controls)} focusable controls, expected 10")
    if not all(names):
        fail(f"a control without a name: {names}")
    if len(set(names)) != len(names):
        fail(f"names that do not tell the controls apart: {names}")

    spinners = [n for n in controls if n.getRole() == pyatspi.ROLE_SCROLL_BAR]
    boxes = [n for n in controls if n.getRole() == pyatspi.ROLE_TEXT]
    if len(spinners) != 2 or len(boxes) != 2:
        fail(f"{len(spinners)} spinners and {len(boxes)} number boxes, expected 2 and 2")
    for spinner in spinners:
        box = box_beside(spinner, boxes)
        if value_of(spinner) != value_of(box):
            fail(f"{spinner.name!r} reports {value_of(spinner)}, its box shows {value_of(box)}")
        print(f"labels of {spinner.name!r}: {labelled_by(spinner)}")

    hours, hours_box = spinner_and_box("Hour", spinners, boxes)
    minutes, minutes_box = spinner_and_box("Minutes", spinners, boxes)
    expect_shown(hours, hours_box, 2)
    do_action(hours, "Increase")
    expect_shown(hours, hours_box, 3)
    expect_shown(minutes, minutes_box, 3)
    do_action(minutes, "Decrease")
    expect_shown(minutes, minutes_box, 2)
    expect_shown(hours, hours_box, 3)


def press(app, name):
    buttons = [n for n in focusable_controls(app)
               if n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == name]
    if len(buttons) != 1:
        fail(f"{len(buttons)} push buttons called {name!r}")
    do_action(buttons[0], "Press")


def notice(app):
    def probe():
        alerts = [n for n in descendants(app) if n.getRole() == pyatspi.ROLE_ALERT]
        return alerts[0] if alerts else None

    alert = wait_for("alert", probe)
    print(f"{alert.getRoleName()} {alert.name!r}")
    texts = [n.name for n in descendants(alert) if n.getRole() == pyatspi.ROLE_LABEL and n.name]
    if not texts:
        fail(f"the alert {alert.name!r} has no text")
    for text in texts:
        print(f"label {text!r}")


def main():
    app = find_application()
    if sys.argv[1:] == ["walk"]:
        walk(app)
    elif len(sys.argv) == 3 and sys.argv[1] == "press":
        press(app, sys.argv[2])
    elif sys.argv[1:] == ["notice"]:
        notice(app)
    else:
        print(__doc__, file=sys.stderr)
        sys.exit(2)


if __name__ == "__main__":
    main()
