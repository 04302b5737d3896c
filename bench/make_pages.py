#!/usr/bin/env python3
"""Writes a folder of saved catalogue pages for the whole-process benchmarks.

    make_pages.py FOLDER [COUNT] [--size BYTES] [--firefox]

Each page is about 150 KB of Windows-1251 text (or --size bytes, about, as
written in the page's charset), laid out as the catalogue site's pages are (head
with scripts, navigation clutter, information section, vote/list/note blocks,
an action list, a long episode list and comments with images), beside a
"_files" folder of scripts, a style sheet and images. Three pages in four are
in Windows-1251; every fourth is UTF-8 as Firefox on a Russian Windows
saves it, with its links into the folder percent-encoded in Windows-1251
(with --firefox, every page is). A page is written as it is made, so that
one of hundreds of megabytes takes no more memory than a small one.
"""
import argparse
import os
from urllib.parse import quote

PAGE_SIZE = 150 * 1024
FILES = {  # name: size in bytes
    "jquery.js": 32 * 1024,
    "hoshikage.js": 6 * 1024,
    "hoshikage.css": 8 * 1024,
    "logo.gif": 2 * 1024,
    "poster.jpg": 24 * 1024,
    "shot1.jpg": 14 * 1024,
    "shot2.jpg": 14 * 1024,
}


def page_parts(number, name, firefox, page_size, measure):
    """The page's bytes, piece by piece; the rows stop once the page, encoded
    in `measure`, reaches `page_size`."""
    files = name + "_files"
    link = (lambda f: quote(files + "/" + f, encoding="cp1251")) if firefox else (lambda f: files + "/" + f)
    charset = "utf-8" if firefox else "windows-1251"
    head = f"""<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN">
<html xmlns="http://www.w3.org/1999/xhtml" xml:lang="ru" lang="ru">
<head>
<meta http-equiv="content-type" content="text/html; charset={charset}" />
<title>Аниме {number} :: Hoshikage ::Hoshikage::</title>
<link rel="stylesheet" type="text/css" href="{link('hoshikage.css')}" />
<script type="text/javascript" src="{link('jquery.js')}"></script>
<script type="text/javascript" src="{link('hoshikage.js')}"></script>
</head>
<body class="anime" onload="hk.init();">
<div id="layout">
<div class="g_header"><a href="http://hoshikage.example/"><img src="{link('logo.gif')}" alt="Hoshikage" /></a></div>
"""
    menu = "".join(f'<li><a href="http://hoshikage.example/genre/{i}">Жанр номер {i}</a></li>\n'
                   for i in range(120))
    info = f"""<ul class="g_menu">
{menu}</ul>
<script type="text/javascript">hk.banner("top", 468, 60);</script>
<div class="g_content anime_all">
<h1 class="anime">Аниме: Название {number}</h1>
<div class="g_section info">
<div class="g_tabs"><a class="active" href="#info">Информация</a> | <a href="#tags">Теги</a></div>
<div class="g_definitionlist">
<table>
<tr class="romaji"><th class="field">Main Title</th><td class="value">Namae {number} (<a href="http://hoshikage.example/anime/a{number}">a{number}</a>)</td></tr>
<tr class="official"><th class="field">Official Title</th><td class="value"><span class="icon lang" title="english">
\t\t<b>Name {number}</b></span></td></tr>
<tr class="type"><th class="field">Type</th><td class="value">ТВ-сериал, 26 эп.</td></tr>
<tr class="year"><th class="field">Год</th><td class="value">2006</td></tr>
</table>
</div>
<div class="g_image"><img src="{link('poster.jpg')}" alt="Постер" width="200" height="283" /></div>
<p class="g_description">Описание произведения номер {number}, длинное и подробное.</p>
</div>
<div class="g_section anime_vote"><h3>Ваша оценка</h3><form action="http://hoshikage.example/vote" method="post"><select name="v"><option>10</option></select></form></div>
<div class="g_definitionlist mylist_add"><h3>Мой список</h3></div>
<div class="g_definitionlist anime_table"><table><tr><th>Смотрят</th><td>1 204</td></tr></table></div>
<div class="g_section g_notebox"><p>Войдите, чтобы оставить заметку.</p></div>
<ul class="g_actionlist">
<li><a href="http://hoshikage.example/fav?a={number}">Добавить в избранное</a></li>
</ul>
<div class="g_section episodes">
<table class="eplist">
"""
    tail = f"""</table>
</div>
</div>
<div class="g_footer">&copy; Hoshikage</div>
</div>
<script type="text/javascript">hk.counter({number});</script>
</body>
</html>
"""
    yield (head + info).encode(charset)
    size = len((head + info + tail).encode(measure))
    episode = 0
    while size < page_size:
        episode += 1
        row = (f'<tr><td class="num">{episode}</td><td class="name">Серия {episode}: длинное название'
               f' эпизода</td><td class="date">2006-02-24</td><td><img src="{link("shot1.jpg")}"'
               f' alt="Кадр {episode}" width="160" height="90"></td></tr>\n'
               f'<tr><td colspan="4" class="comment">Комментарий зрителя к серии {episode}:'
               f' было интересно смотреть, жду продолжения и новых серий.</td></tr>\n')
        size += len(row.encode(measure))
        yield row.encode(charset)
    yield tail.encode(charset)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("folder")
    parser.add_argument("count", nargs="?", type=int, default=1000)
    parser.add_argument("--size", type=int, help="bytes of a page, about")
    parser.add_argument("--firefox", action="store_true", help="every page saved by Firefox")
    options = parser.parse_args()
    folder, count = options.folder, options.count
    os.makedirs(folder, exist_ok=True)
    blobs = {name: bytes((i * 7 + len(name)) % 251 for i in range(size))
             for name, size in FILES.items()}
    for number in range(1, count + 1):
        name = f"Страница {number:04d}"
        firefox = options.firefox or number % 4 == 0
        with open(os.path.join(folder, name + ".htm"), "wb") as out:
            charset = "utf-8" if firefox else "cp1251"
            out.writelines(page_parts(number, name, firefox, options.size or PAGE_SIZE,
                                      charset if options.size else "cp1251"))
        files = os.path.join(folder, name + "_files")
        os.makedirs(files, exist_ok=True)
        for file_name, blob in blobs.items():
            with open(os.path.join(files, file_name), "wb") as out:
                out.write(blob)


if __name__ == "__main__":
    main()
