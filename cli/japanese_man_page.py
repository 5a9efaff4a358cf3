#!/usr/bin/env python3
"""japanese_man_page.py MAN_PAGE: readies a man page that help2man made from the Japanese --help
for troff. The lines that break between two Japanese characters, as --help breaks them to fit a
terminal, are joined (troff would show a space there, which Japanese does not have), and groff's
Japanese line breaking is loaded, so that troff may break a line between any two of them."""
import re
import sys

with open(sys.argv[1], encoding="utf-8") as f:
    page = re.sub(r"(?<=[^\x00-\x7f])\n(?=[^\x00-\x7f])", "", f.read())
page = re.sub(r"^(\.TH .*\n)", r"\1.mso ja.tmac\n", page, count=1, flags=re.M)
with open(sys.argv[1], "w", encoding="utf-8") as f:
    f.write(page)
