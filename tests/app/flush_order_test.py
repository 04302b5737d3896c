#!/usr/bin/env python3
"""The system calls velkor-cli really makes for one page, traced with strace:
by default (Sync is 1) in the order below; with --no-sync, and with Sync=0 in
$XDG_CONFIG_HOME/velkor/velkor.ini, without a flush.
  flush_order_test.py VELKOR_CLI SAMPLES_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

PAGE = 'Frost Wind.htm'


def trace(cli, log, arguments, environment):
    """The traced calls of one run, in order: (call, path, its arguments)."""
    subprocess.run(['strace', '-f', '-qq', '-y', '-o', log, '-e',
                    'trace=openat,fsync,fdatasync,pwrite64,ftruncate,unlink',
                    cli, '--no-archive', '--jobs', '1'] + arguments,
                   env=environment, stdout=subprocess.DEVNULL, check=False)
    pending, calls = {}, []
    for line in open(log, encoding='utf-8', errors='replace'):
        pid = line.split(' ', 1)[0]
        # A call another thread interrupted comes in two pieces.
        if '<unfinished ...>' in line:
            pending[pid] = line.split('<unfinished ...>')[0]
            continue
        resumed = re.match(r'^\d+ +<\.\.\. \w+ resumed>(.*)', line)
        line = pending.pop(pid, '') + resumed.group(1) if resumed else line
        call = re.match(r'^\d+ +(\w+)\((.*)\) += -?\d+', line)
        if call:
            # A file is named by its path, or (-y) by the path after its descriptor.
            path = re.search(r'"((?:[^"\\]|\\.)*)"|^\d+<([^>]*)>', call.group(2))
            calls.append((call.group(1), path and (path.group(1) or path.group(2)), call.group(2)))
    return calls


def main():
    cli, samples = sys.argv[1], sys.argv[2]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        pages, home, xdg = (os.path.join(work, name) for name in ('pages', 'home', 'xdg'))
        page = os.path.join(pages, PAGE)
        journal = page + '.velkor-journal'
        os.makedirs(os.path.join(xdg, 'velkor'))
        with open(os.path.join(xdg, 'velkor', 'velkor.ini'), 'w') as ini:
            ini.write('[Options]\nSync=0\n')
        # No settings but those given here: not the user's, not the system's.
        environment = {k: v for k, v in os.environ.items() if k != 'XDG_CONFIG_HOME'}
        environment.update(HOME=home, XDG_CONFIG_DIRS=home)
        expected = open(os.path.join(samples, 'expected', PAGE), 'rb').read()
        flushed = ('fdatasync', 'fsync')
        steps = [
            ('the journal created', lambda c: c[:2] == ('openat', journal) and 'O_CREAT' in c[2]),
            ('the journal flushed', lambda c: c[0] in flushed and c[1] == journal),
            ('its folder flushed', lambda c: c[0] == 'fsync' and os.path.normpath(c[1]) == pages),
            ('the page written', lambda c: c[:2] == ('pwrite64', page)),
            ('the page cut to length', lambda c: c[:2] == ('ftruncate', page)),
            ('the page flushed', lambda c: c[0] in flushed and c[1] == page),
            ('the journal removed', lambda c: c[:2] == ('unlink', journal)),
        ]
        for what, arguments, extra, synced in (
                ('default settings', [pages], {}, True),
                ('--no-sync', ['--no-sync', pages], {}, False),
                ('Sync=0 in $XDG_CONFIG_HOME', [pages], {'XDG_CONFIG_HOME': xdg}, False)):
            shutil.rmtree(pages, ignore_errors=True)
            os.makedirs(pages)
            shutil.copy(os.path.join(samples, PAGE), page)
            calls = trace(cli, os.path.join(work, 'trace'), arguments, dict(environment, **extra))
            if open(page, 'rb').read() != expected or os.path.exists(journal):
                failures.append(what + ': the page is not in its final form')
            if not synced:
                count = len([c for c in calls if c[0] in flushed])
                if count:
                    failures.append('%s: %d flushes, none expected' % (what, count))
                continue
            at = 0
            for step, test in steps:
                at = next((i + 1 for i in range(at, len(calls)) if test(calls[i])), None)
                if at is None:
                    failures.append('%s: no "%s" after the steps before it' % (what, step))
                    break
    for failure in failures:
        print(failure, file=sys.stderr)
    if not failures:
        print("journal, its folder, the page and the journal's removal in order; "
              'no flush without Sync')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
