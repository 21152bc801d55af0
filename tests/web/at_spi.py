# SPDX-License-Identifier: MIT
# What a screen reader sends, through AT-SPI on a private D-Bus session.
#   at_spi.py on            applications started from now on offer their accessibility
#   at_spi.py press APP N   the first action of the button named N in the application
#                           named APP..., once it offers one (Firefox's come a moment late)
import sys
import time

import pyatspi
from gi.repository import Gio, GLib

if sys.argv[1] == 'on':
    enabled = GLib.Variant('(ssv)', ('org.a11y.Status', 'IsEnabled', GLib.Variant('b', True)))
    Gio.bus_get_sync(Gio.BusType.SESSION).call_sync('org.a11y.Bus', '/org/a11y/bus', 'org.freedesktop.DBus.Properties',
                                                    'Set', enabled, None, Gio.DBusCallFlags.NONE, -1, None)
    sys.exit(0)
app, name = sys.argv[2].lower(), sys.argv[3]
for _ in range(300):
    for application in filter(None, pyatspi.Registry.getDesktop(0)):
        found = application.name.lower().startswith(app) and pyatspi.findDescendant(
            application, lambda node: node.name == name and node.getRoleName().endswith('button'))
        if found and found.queryAction().nActions > 0:
            found.queryAction().doAction(0)
            sys.exit(0)
    time.sleep(0.1)
sys.exit(f'no "{name}" to press in {app}')
