#!/usr/bin/python3
# Measures from outside the process: the time from a Return key sent through
# XTEST to the last large repaint of a window, seen through the X DAMAGE
# extension. Prints "figure return_to_painted_ms N" and the number of damage
# reports on the way (each one a repaint of some part of the window).
#   return_to_paint.py WINDOW_ID [QUIET_SECONDS] [MIN_AREA]
# A repaint counts as "large" when its rectangle covers MIN_AREA pixels
# (default 40000): the result view's text, not the caret or the status bar.
# The measure ends after QUIET_SECONDS (default 3) without a large repaint.
import select
import sys
import time

from Xlib import X, XK, display
from Xlib.ext import damage, xtest

window_id = int(sys.argv[1], 0)
quiet = float(sys.argv[2]) if len(sys.argv) > 2 else 3.0
min_area = int(sys.argv[3]) if len(sys.argv) > 3 else 40000

d = display.Display()
if not d.has_extension("DAMAGE"):
    sys.exit("the X server has no DAMAGE extension")
d.damage_query_version()
win = d.create_resource_object("window", window_id)
dmg = win.damage_create(damage.DamageReportRawRectangles)
d.sync()
# Anything already pending is before the key.
while d.pending_events():
    d.next_event()

keycode = d.keysym_to_keycode(XK.string_to_keysym("Return"))
t0 = time.monotonic()
xtest.fake_input(d, X.KeyPress, keycode)
xtest.fake_input(d, X.KeyRelease, keycode)
d.sync()

reports = 0
large = 0
last_large = None
deadline = t0 + 60
fd = d.fileno()
while True:
    now = time.monotonic()
    end = (last_large or t0) + quiet
    if now >= end or now >= deadline:
        break
    if not d.pending_events():
        select.select([fd], [], [], min(end, deadline) - now)
    while d.pending_events():
        ev = d.next_event()
        # The display registers its own copy of the event class.
        if type(ev).__name__ == "DamageNotify":
            reports += 1
            area = ev.area.width * ev.area.height
            if area >= min_area:
                large += 1
                last_large = time.monotonic()
d.damage_destroy(dmg)
d.sync()
if last_large is None:
    sys.exit("no large repaint after the key")
print(f"Return to last large repaint: {(last_large - t0) * 1000:.0f} ms "
      f"({reports} damage reports, {large} large)")
print(f"figure return_to_painted_ms {(last_large - t0) * 1000:.0f}")
print(f"figure damage_reports {reports}")
