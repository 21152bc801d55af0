# SPDX-License-Identifier: MIT
# What assistive technology sends, through AT-SPI on a private D-Bus session:
#   at_spi.py on            asks applications started from now on to offer
#                           their accessibility (as a screen reader does)
#   at_spi.py press APP N   the first action of the button named N in the
#                           application whose name begins with APP, once it
#                           offers one (Firefox's come a moment after the
#                           button); as Orca's "press"
import sys
import time

import pyatspi
from gi.repository import Gio, GLib


def buttons(node):
    if node is None:
        return
    if node.getRoleName() in ('push button', 'toggle button'):
        yield node
    for child in node:
        yield from buttons(child)


if sys.argv[1] == 'on':
    Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
        'org.a11y.Bus', '/org/a11y/bus', 'org.freedesktop.DBus.Properties', 'Set',
        GLib.Variant('(ssv)', ('org.a11y.Status', 'IsEnabled', GLib.Variant('b', True))),
        None, Gio.DBusCallFlags.NONE, -1, None)
    sys.exit(0)

app, name = sys.argv[2].lower(), sys.argv[3]
for _ in range(300):
    for application in pyatspi.Registry.getDesktop(0):
        if application is not None and application.name.lower().startswith(app):
            for button in buttons(application):
                if button.name == name and button.queryAction().nActions > 0:
                    button.queryAction().doAction(0)
                    sys.exit(0)
    time.sleep(0.1)
sys.exit(f'no "{name}" to press in {app}')
