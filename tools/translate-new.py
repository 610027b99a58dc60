#!/usr/bin/env python3
"""Fills the unfinished entries of the Chinese catalogues from a table of translations.

Run after the update_translations target: python3 tools/translate-new.py TABLE, where TABLE
holds lines "English source<TAB>Chinese translation". Entries it has no line for stay
unfinished, so the i18n tests name them."""
import glob
import html
import os
import re
import sys

table = {}
with open(sys.argv[1], encoding="utf-8") as lines:
    for line in lines:
        if "\t" in line:
            source, translation = line.rstrip("\n").split("\t", 1)
            table[html.escape(source, quote=False)] = html.escape(translation, quote=False)

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "i18n")
for path in glob.glob(os.path.join(root, "*.ts")):
    with open(path, encoding="utf-8") as f:
        text = f.read()

    def fill(match):
        source = match.group(1)
        if source not in table:
            return match.group(0)
        return match.group(0).replace('<translation type="unfinished"></translation>',
                                      "<translation>" + table[source] + "</translation>")

    text = re.sub(r"<source>([^<]*)</source>\s*<translation type=\"unfinished\"></translation>",
                  fill, text, flags=re.S)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
