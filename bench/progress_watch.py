# Runs `updtool archive` with standard error on a pseudo-terminal, so that it shows its
# progress line, and reports from the lines it drew, each stamped when it arrived:
#   how often the archiving percentage changed, and
#   how close the time left it showed was, at 25, 50 and 75 %, to the time the archiving
#   phase then really took.
# Usage: python3 bench/progress_watch.py UPDTOOL ARGS...
import os, pty, re, subprocess, sys, time

LINE = re.compile(r"^(Архивиране|Проверка на архива): (?:(\d+) %, )?[\d:]+(?:, остава ([\d:]+))?")


def seconds(clock):
    total = 0
    for part in clock.split(":"):
        total = total * 60 + int(part)
    return total


master, slave = pty.openpty()
started = time.monotonic()
tool = subprocess.Popen(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                        stderr=slave)
os.close(slave)
pending, lines = b"", []  # (seconds since start, phase, percent or None, time left or None)
while True:
    try:
        chunk = os.read(master, 4096)
    except OSError:  # the tool has closed the terminal
        break
    if not chunk:
        break
    now = time.monotonic() - started
    pending += chunk
    *done, pending = pending.split(b"\r")
    for raw in done:
        match = LINE.match(raw.decode("utf-8", "replace").strip())
        if match:
            phase, percent, left = match.groups()
            lines.append((now, phase, int(percent) if percent else None,
                          seconds(left) if left else None))
status = tool.wait()
ended = time.monotonic() - started
if status != 0 or not lines:
    sys.exit("updtool failed (%d) or drew no progress line" % status)

archiving = [l for l in lines if l[1] == "Архивиране"]
checking = [l for l in lines if l[1] != "Архивиране"]
phase_end = checking[0][0] if checking else ended
changes = [l for i, l in enumerate(archiving)
           if l[2] is not None and (i == 0 or archiving[i - 1][2] != l[2])]
print("total %.1f s; archiving %.1f s, checking %.1f s" % (ended, phase_end, ended - phase_end))
if len(changes) > 1:
    span = changes[-1][0] - changes[0][0]
    print("archiving percentage: %d changes (%d%% .. %d%%), one every %.2f s on average" %
          (len(changes), changes[0][2], changes[-1][2], span / (len(changes) - 1)))
else:
    print("archiving percentage: %d changes" % len(changes))
for mark in (25, 50, 75):
    shown = next((l for l in archiving if l[2] is not None and l[2] >= mark and l[3] is not None),
                 None)
    if shown is None:
        print("at %d%%: no estimate shown" % mark)
        continue
    really = phase_end - shown[0]
    print("at %d%% (shown at %.1f s, %d%%): time left shown %d s, really %.1f s, off by %+.0f%%" %
          (mark, shown[0], shown[2], shown[3], really, 100.0 * (shown[3] - really) / really))
