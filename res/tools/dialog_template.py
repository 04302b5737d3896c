#!/usr/bin/env python3
"""Writes the dialog templates and strings of a resource script as a C++ header.

Window toolkits that cannot read Windows resources build their dialogs from
this header, so that every window of the program shares one layout and one
set of texts: those of velkor.rc. Only what velkor.rc uses is read: DIALOG
and DIALOGEX headers with CAPTION, CONTROL statements (which may run over
several lines), and STRINGTABLE entries.

    python3 res/tools/dialog_template.py velkor.rc output.h
"""
import re
import sys
from pathlib import Path

TOKEN = re.compile(r'"(?:[^"]|"")*"|[^\s,|"]+|[,|]')
# Identifiers that the script takes from <windows.h>, which other systems lack.
WINDOWS_IDS = {'IDOK': '1', 'IDCANCEL': '2'}


def tokens(text):
    return TOKEN.findall(text)


def fields(statement):
    """The comma-separated fields of a statement, each a list of tokens."""
    result = [[]]
    for token in tokens(statement):
        if token == ',':
            result.append([])
        else:
            result[-1].append(token)
    return result


def text_of(token):
    """The text of a quoted resource string; None for anything else."""
    if len(token) >= 2 and token[0] == '"' and token[-1] == '"':
        return token[1:-1].replace('""', '"')
    return None


def cpp_string(text):
    return '"' + text.replace('\\', '\\\\').replace('"', '\\"') + '"'


def parse(script):
    """(dialogs, strings): dialogs as dicts, strings as (id, text) pairs."""
    dialogs, strings = [], []
    lines = script.splitlines()
    i = 0
    while i < len(lines):
        words = tokens(lines[i])
        if len(words) >= 2 and words[1] in ('DIALOG', 'DIALOGEX'):
            numbers = [field[0] for field in fields(lines[i].split(words[1], 1)[1])]
            dialog = {'id': words[0], 'width': int(numbers[2]), 'height': int(numbers[3]),
                      'caption': '', 'controls': []}
            while tokens(lines[i])[:1] != ['BEGIN']:
                if tokens(lines[i])[:1] == ['CAPTION']:
                    dialog['caption'] = text_of(tokens(lines[i])[1])
                i += 1
            statements = []
            i += 1
            while tokens(lines[i])[:1] != ['END']:
                if tokens(lines[i])[:1] == ['CONTROL']:
                    statements.append(lines[i].strip()[len('CONTROL'):])
                elif statements:
                    statements[-1] += ' ' + lines[i].strip()
                i += 1
            for statement in statements:
                parts = fields(statement)
                text = text_of(parts[0][0])
                dialog['controls'].append({
                    'text': text if text is not None else '',
                    'image': parts[0][0] if text is None else '',
                    'id': WINDOWS_IDS.get(parts[1][0], parts[1][0]),
                    'class': text_of(parts[2][0]),
                    'styles': ' '.join(word for word in parts[3] if word != '|'),
                    'rect': [int(part[0]) for part in parts[4:8]],
                    'ex_styles': ' '.join(word for part in parts[8:9] for word in part
                                          if word != '|'),
                })
            dialogs.append(dialog)
        elif words[:1] == ['STRINGTABLE']:
            i += 1
            while tokens(lines[i])[:1] != ['END']:
                entry = tokens(lines[i])
                if len(entry) == 2 and text_of(entry[1]) is not None:
                    strings.append((entry[0], text_of(entry[1])))
                i += 1
        i += 1
    return dialogs, strings


def header(dialogs, strings, source_name):
    out = [
        f'// Generated from {source_name} by res/tools/dialog_template.py: the dialog',
        '// templates and strings of the resource script, for window toolkits that',
        '// cannot read Windows resources. Do not edit; edit the script.',
        '#pragma once',
        '',
        '#include "res/dialog_template_types.h"',
        '#include "res/resource.h"',
        '',
        'namespace res {',
        '',
    ]
    for dialog in dialogs:
        out.append(f'inline constexpr ControlTemplate k{dialog["id"]}_controls[] = {{')
        for control in dialog['controls']:
            x, y, width, height = control['rect']
            out.append(f'    {{{control["id"]}, {cpp_string(control["class"])}, '
                       f'{cpp_string(control["styles"])}, {cpp_string(control["ex_styles"])},')
            out.append(f'     {cpp_string(control["text"])}, {cpp_string(control["image"])}, '
                       f'{x}, {y}, {width}, {height}}},')
        out.append('};')
    out.append('')
    out.append('inline constexpr DialogTemplate kDialogs[] = {')
    for dialog in dialogs:
        out.append(f'    {{{dialog["id"]}, {cpp_string(dialog["caption"])}, {dialog["width"]}, '
                   f'{dialog["height"]}, k{dialog["id"]}_controls}},')
    out.append('};')
    out.append('')
    out.append('inline constexpr StringResource kStrings[] = {')
    for identifier, text in strings:
        out.append(f'    {{{identifier}, {cpp_string(text)}}},')
    out.append('};')
    out.append('')
    out.append('}  // namespace res')
    return '\n'.join(out) + '\n'


def main():
    source, target = Path(sys.argv[1]), Path(sys.argv[2])
    dialogs, strings = parse(source.read_text(encoding='utf-8'))
    text = header(dialogs, strings, source.name)
    # Rewritten only when it changes, so that nothing is rebuilt for nothing.
    if not target.exists() or target.read_text(encoding='utf-8') != text:
        target.write_text(text, encoding='utf-8')


if __name__ == '__main__':
    main()
