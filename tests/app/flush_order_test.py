#!/usr/bin/env python3
"""The system calls velkor-cli really makes for one page, traced with strace.

With the default settings (no settings file: Sync is 1) the page's journal
is created, flushed, its folder flushed, and only then is the page written,
cut to length and flushed, and the journal removed. With --no-sync, and with
Sync=0 in $XDG_CONFIG_HOME/velkor/velkor.ini, nothing is flushed.
  flush_order_test.py VELKOR_CLI SAMPLES_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

CALL = re.compile(r'^(\d+) +(\w+)\((.*)\) += (-?\d+)')
PAGE = 'Frost Wind.htm'


def trace(cli, work, arguments, environment):
    """The traced calls of one run, as (name, path, result) in order."""
    log = os.path.join(work, 'trace')
    subprocess.run(['strace', '-f', '-qq', '-o', log,
                    '-e', 'trace=openat,fsync,fdatasync,pwrite64,ftruncate,unlink,unlinkat,close',
                    cli, '--no-archive', '--jobs', '1'] + arguments,
                   env=environment, stdout=subprocess.DEVNULL, check=False)
    pending, calls, paths = {}, [], {}
    for line in open(log, encoding='utf-8', errors='replace'):
        pid = line.split(' ', 1)[0]
        # A call another thread interrupted comes in two pieces.
        if '<unfinished ...>' in line:
            pending[pid] = line.split('<unfinished ...>')[0]
            continue
        resumed = re.match(r'^(\d+) +<\.\.\. \w+ resumed>(.*)', line)
        if resumed:
            line = pending.pop(pid, '') + resumed.group(2)
        call = CALL.match(line)
        if not call:
            continue
        name, arguments_text, result = call.group(2), call.group(3), int(call.group(4))
        quoted = re.search(r'"((?:[^"\\]|\\.)*)"', arguments_text)
        fd = arguments_text.split(',', 1)[0]
        if name == 'openat':
            if result >= 0:
                paths[result] = quoted.group(1)
            calls.append((name, quoted.group(1), result, arguments_text))
        elif name in ('unlink', 'unlinkat'):
            calls.append(('unlink', quoted.group(1), result, arguments_text))
        elif name == 'close':
            paths.pop(int(fd), None)
        else:
            calls.append((name, paths.get(int(fd), '?'), result, arguments_text))
    return calls


def first(calls, start, test):
    for index in range(start, len(calls)):
        if test(calls[index]):
            return index
    return None


def main():
    cli, samples = sys.argv[1], sys.argv[2]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        pages = os.path.join(work, 'pages')
        page = os.path.join(pages, PAGE)
        journal = page + '.velkor-journal'
        home = os.path.join(work, 'home')
        os.makedirs(home)
        environment = {k: v for k, v in os.environ.items() if k != 'XDG_CONFIG_HOME'}
        environment['HOME'] = home
        expected = open(os.path.join(samples, 'expected', PAGE), 'rb').read()

        def fresh_pages():
            shutil.rmtree(pages, ignore_errors=True)
            os.makedirs(pages)
            shutil.copy(os.path.join(samples, PAGE), page)

        def finished(what):
            if open(page, 'rb').read() != expected or os.path.exists(journal):
                failures.append(what + ': the page is not in its final form')

        # The default: every step on the disk before the next.
        fresh_pages()
        calls = trace(cli, work, [pages], environment)
        finished('default settings')
        steps = [
            ('the journal created', lambda c: c[0] == 'openat' and c[1] == journal and 'O_CREAT' in c[3]),
            ('the journal flushed', lambda c: c[0] in ('fdatasync', 'fsync') and c[1] == journal),
            ('its folder flushed', lambda c: c[0] == 'fsync' and os.path.normpath(c[1]) == pages),
            ('the page written', lambda c: c[0] == 'pwrite64' and c[1] == page),
            ('the page cut to length', lambda c: c[0] == 'ftruncate' and c[1] == page),
            ('the page flushed', lambda c: c[0] in ('fdatasync', 'fsync') and c[1] == page),
            ('the journal removed', lambda c: c[0] == 'unlink' and c[1] == journal),
        ]
        at = 0
        for what, test in steps:
            found = first(calls, at, test)
            if found is None:
                failures.append('default settings: no "%s" after the steps before it' % what)
                break
            at = found + 1

        # Without Sync, from the command line and from the user's settings.
        xdg = os.path.join(work, 'xdg')
        os.makedirs(os.path.join(xdg, 'velkor'))
        with open(os.path.join(xdg, 'velkor', 'velkor.ini'), 'w') as ini:
            ini.write('[Options]\nSync=0\n')
        for what, arguments, extra in (('--no-sync', ['--no-sync', pages], {}),
                                       ('Sync=0 in $XDG_CONFIG_HOME', [pages],
                                        {'XDG_CONFIG_HOME': xdg})):
            fresh_pages()
            calls = trace(cli, work, arguments, dict(environment, **extra))
            finished(what)
            flushes = [c for c in calls if c[0] in ('fsync', 'fdatasync')]
            if flushes:
                failures.append('%s: %d flushes, none expected' % (what, len(flushes)))
    for failure in failures:
        print(failure, file=sys.stderr)
    if failures:
        return 1
    print('journal, its folder, the page and the journal\'s removal in order; '
          'no flush without Sync')
    return 0


if __name__ == '__main__':
    sys.exit(main())
