#!/usr/bin/env python3
"""Turns bench_figures' "key value" lines and the soak's output into bench/run.sh's table."""
import os
import re
import sys
import time

figures_path, soak_path, arch, runs, soak_runs = sys.argv[1:6]
f = {}
repeated = {}
for line in open(figures_path, encoding='utf-8', errors='replace'):
    parts = line.strip().split(' ', 1)
    if len(parts) == 2:
        f[parts[0]] = parts[1]
        repeated.setdefault(parts[0], []).append(parts[1])
# A figure printed once per process (one process per run): its median.
for key, values in repeated.items():
    if len(values) > 1:
        try:
            numbers = sorted(float(v) for v in values)
        except ValueError:
            continue
        n = len(numbers)
        f[key] = str(numbers[n // 2] if n % 2 else (numbers[n // 2 - 1] + numbers[n // 2]) / 2)
soak = open(soak_path, encoding='utf-8', errors='replace').read()

MiB = 1024.0 * 1024.0


def num(key):
    value = f.get(key)
    try:
        return float(value) if value is not None else None
    except ValueError:
        return None


def ok(flag):
    return 'yes' if flag else '**no**'


rows = []


def row(figure, compared, ratio, goal, met):
    rows.append((figure, compared, ratio, goal, met))


def missing(figure, goal, why):
    row(figure, '-', 'not measured (%s)' % why, goal, '-')


tool, bare = num('startup_tool_ms'), num('startup_bare_ms')
if tool and bare:
    first = num('startup_tool_first_window_ms')
    row('start to main window with the report (sample engine): %.0f ms (its first window, the wait dialog: %s)'
        % (tool, '%.0f ms' % first if first else '-'),
        'bare dialog, same template, empty rich edit: %.0f ms' % bare, '%.2f' % (tool / bare), '<= 1.15',
        ok(tool / bare <= 1.15))
else:
    missing('start to main window', '<= 1.15', 'the start-up run failed')
managed, managed_bare = num('managed_startup_tool_ms'), num('managed_startup_bare_ms')
if managed and managed_bare:
    row('the same with Wine managing the windows (its default), Xvfb without a window manager: %.0f ms'
        % managed, 'bare dialog: %.0f ms' % managed_bare, '%.2f' % (managed / managed_bare),
        'informational (Wine waits up to 2 s for a window manager that is not there)', '-')
load, calls, whole = num('engine_load_ms'), num('engine_calls_ms'), num('startup_run_ms')
if whole is not None and tool and bare:
    ole = num('ole_ms')
    row('engine side: load %.1f ms + calls %.1f ms; whole start-up run %.1f ms; OLE start in a fresh process %s'
        % (load, calls, whole, '%.0f ms' % ole if ole is not None else 'not measured'),
        'tool over bare dialog: %.0f ms' % (tool - bare), '%.2f of the overhead' % ((load + calls) / (tool - bare))
        if tool > bare else '-', 'informational', '-')

wall, slowest = num('diagnosis_wall_ms'), num('diagnosis_slowest_ms')
if wall and slowest:
    row('diagnosis wall time, 13 probes of known duration: %.0f ms' % wall,
        'slowest probe (slowed on purpose): %.0f ms' % slowest, '%.3f' % (wall / slowest), '<= 1.05',
        ok(wall / slowest <= 1.05))
else:
    missing('diagnosis wall time', '<= 1.05', 'the planned diagnosis failed')

bound, past, past_max = num('bound_ms'), num('bound_past_ms'), num('bound_past_max_ms')
if bound is not None and past is not None:
    row('the bound kept, one probe never ends: run ends %.0f ms past it (worst %.0f ms)' % (past, past_max),
        'bound: %.0f ms' % bound, '%+.0f ms' % past, 'within 1000 ms', ok(past_max <= 1000))
else:
    missing('the bound kept', 'within 1000 ms', 'the bounded run failed')

limit = 5 * MiB  # the 1 MiB report buffer plus 4 MiB
for kind, label in (('peak_ws', 'peak working set'), ('private', 'private bytes')):
    t, b = num('startup_tool_' + kind), num('startup_bare_' + kind)
    if t and b:
        row('%s after start-up: %.1f MiB' % (label, t / MiB), 'bare dialog: %.1f MiB' % (b / MiB),
            '%.2f (%+.1f MiB)' % (t / b, (t - b) / MiB), '<= +5 MiB', ok(t - b <= limit))
    else:
        missing(label + ' after start-up', '<= +5 MiB', 'the start-up run failed')
# After a real diagnosis, in the tool's own process (its loopback build, read while the outcome box
# is up), against the bare dialog measured in the same run.
goals = {'peak_ws': (None, 'informational'), 'private': (8 * MiB, '<= +8 MiB')}
for kind, label in (('peak_ws', 'peak working set'), ('private', 'private bytes')):
    t, b, s = num('diagnosed_tool_' + kind), num('diagnosed_bare_' + kind), num('diagnosed_start_' + kind)
    goal, goal_text = goals[kind]
    if t and b and s:
        row('%s after a diagnosis, in the tool (loopback build): %.1f MiB (at its start-up %.1f, diagnosis %+.1f)'
            % (label, t / MiB, s / MiB, (t - s) / MiB), 'bare dialog: %.1f MiB' % (b / MiB),
            '%.2f (%+.1f MiB)' % (t / b, (t - b) / MiB), goal_text, ok(t - b <= goal) if goal else '-')
    else:
        missing(label + ' after a diagnosis', goal_text, 'the diagnosis run in the tool failed')

md5, host = num('md5_ms'), num('md5sum_ms')
if md5 and host:
    row('MD5 of 32 MiB: %.0f ms (%.0f MiB/s)' % (md5, 32000 / md5),
        'host md5sum, same file: %.0f ms (%.0f MiB/s)' % (host, 32000 / host), '%.2f (time)' % (md5 / host),
        'informational', '-')
else:
    missing('MD5 throughput', 'informational', 'a run failed')

size = num('shipped_size')
if size:
    imports_ok = num('shipped_imports_ok') == 1
    row('size of the shipped i686 Rekkor.exe: %d bytes (%.2f MiB)' % (size, size / MiB),
        '1 MiB; imports: %s' % f.get('shipped_imports', '').strip(), '%.2f' % (size / MiB),
        '<= 1 MiB, system DLLs only', ok(size <= MiB and imports_ok))

m = re.search(r'growth once abandoned probes ended: ([+-]\d+) handles, ([+-]\d+) threads, ([+-][\d.]+) KiB', soak)
t = re.search(r'timed out: (\d+) of (\d+) in ([\d.]+) s; abandoned probes ended: (\w+); normal diagnosis: ([^\n,]+)',
              soak)
if m and t:
    handles_note = ' (handle counts from the system list)' if 'system\'s handle list' in soak else ''
    # The suite's soak margins: what the system may keep a little longer (a thread on its way out, a
    # handle a library caches); a leak of one per run goes far past them.
    good = int(m.group(1)) <= 5 and int(m.group(2)) <= 2 and t.group(4) == 'yes' and t.group(5) == 'completed'
    row('soak, %s timed-out diagnoses (bound 1000 ms): growth %s handles, %s threads, %s KiB private%s'
        % (soak_runs, m.group(1), m.group(2), m.group(3), handles_note),
        'before the timed-out runs', '%s of %s timed out in %s s; probes ended: %s; normal run: %s'
        % (t.group(1), t.group(2), t.group(3), t.group(4), t.group(5)), 'growth <= +5 handles, +2 threads; all end', ok(good))
else:
    missing('soak', 'no growth', 'the soak did not finish')

cpu = '?'
for line in open('/proc/cpuinfo'):
    if line.startswith('model name'):
        cpu = line.split(':', 1)[1].strip()
        break
print('## Rekkor figures, %s' % time.strftime('%Y-%m-%d %H:%M %Z'))
print()
print('Machine: %d processors, %s; architecture: %s build under %s; median of %s runs, the two sides'
      ' alternated.' % (os.cpu_count(), cpu, arch, os.popen('wine --version 2>/dev/null').read().strip() or 'Wine',
                        runs))
if num('private_from_regions') or num('inproc_private_from_regions'):
    print('Private bytes are summed over committed private regions (VirtualQueryEx): PrivateUsage reads 0 here.')
print('Start-up in a prefix of the bench\'s own where Wine manages no windows (Xvfb has no window manager).')
print('Memory after a diagnosis: the tool\'s loopback build, inside a namespace with only loopback, its'
      ' diagnosis button pressed, read from outside while the outcome box is up.')
print()
print('| Figure | Compared with | Ratio | Goal | Met |')
print('|---|---|---|---|---|')
for r in rows:
    print('| ' + ' | '.join(x.replace('|', '/') for x in r) + ' |')


# The breakdown: committed bytes by owner, for the tool's last run, largest first. Addresses differ
# from process to process, so unnamed private allocations are counted together.
owners = {}
for line in open(figures_path, encoding='utf-8', errors='replace'):
    parts = line.rstrip('\n').split(' ', 4)
    if parts[0] != 'owner' or len(parts) != 5:
        continue
    phase, kind, size, name = parts[1], parts[2], int(parts[3]), parts[4]
    if name.startswith('other private at '):
        name = 'other private allocations'
    if name.startswith('stack of a thread started in '):
        start = name[len('stack of a thread started in '):]
        name = 'thread stacks, started in ' + ('the program' if start.lower().endswith('.exe') else start)
    name = name.lower() if kind == 'image' else name
    key = (kind, name)
    owners.setdefault(phase, {})
    owners[phase][key] = owners[phase].get(key, 0) + size


def growth(after, before, limit=12):
    a, b = owners.get(after, {}), owners.get(before, {})
    diffs = [(a.get(k, 0) - b.get(k, 0), k) for k in set(a) | set(b)]
    diffs = [d for d in diffs if d[0]]
    diffs.sort(key=lambda d: -abs(d[0]))
    for d, (kind, name) in diffs[:limit]:
        print('| %s | %s | %+.0f KiB | %.0f KiB |' % (name, kind, d / 1024, a.get((kind, name), 0) / 1024))


if owners:
    for after, before, title in (('started', 'bare', 'The tool after start-up over the bare dialog'),
                                 ('diagnosed', 'started', 'A diagnosis in the tool: at the outcome box over its start-up')):
        print()
        print('%s, committed bytes by owner (largest changes; private regions count in private bytes, images and'
              ' mapped files do not):' % title)
        print()
        print('| Owner | Kind | Change | After |')
        print('|---|---|---|---|')
        growth(after, before)
