#!/usr/bin/env python3
"""The user guide's own references: its sections numbered 1, 2, 3, ... each with an id; the contents
list naming every section in order; every link inside the page landing on an element that is
there, and a link whose text is a section's number ("раздел <a href="#sheets">15</a>") pointing at
that section; every picture present beside the page.

Usage: check_guide.py GUIDE_HTML
"""
import html.parser
import os
import re
import sys

path = sys.argv[1]
text = open(path, encoding="utf-8").read()
failures = []

sections = re.findall(r'<h2 id="([^"]+)">(\d+)\. ', text)
for position, (_, number) in enumerate(sections, start=1):
    if int(number) != position:
        failures.append("section %s is numbered %s" % (position, number))
numbers = {anchor: int(number) for anchor, number in sections}

nav = re.search(r"<nav>(.*?)</nav>", text, re.S)
listed = re.findall(r'<li><a href="#([^"]+)">', nav.group(1) if nav else "")
if listed != [anchor for anchor, _ in sections]:
    failures.append("the contents list %s, the sections %s" % (listed, [anchor for anchor, _ in sections]))


class Ids(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.ids = set()
        self.images = []

    def handle_starttag(self, tag, attrs):
        attributes = dict(attrs)
        if "id" in attributes:
            self.ids.add(attributes["id"])
        if tag == "img":
            self.images.append(attributes.get("src", ""))


parser = Ids()
parser.feed(text)
for anchor in re.findall(r'href="#([^"]*)"', text):
    if anchor not in parser.ids:
        failures.append("a link to #%s, which is not in the page" % anchor)
for anchor, number in re.findall(r'<a href="#([^"]+)">(\d+)</a>', text):
    if numbers.get(anchor) != int(number):
        failures.append("a link reads %s but goes to section %s (#%s)" % (number, numbers.get(anchor), anchor))
for match in re.finditer(r"раздел[еау]? (\d+)\b", text):
    if int(match.group(1)) not in numbers.values():
        failures.append("a reference to section %s, which does not exist" % match.group(1))
folder = os.path.dirname(path)
for image in parser.images:
    if not os.path.isfile(os.path.join(folder, image)):
        failures.append("the picture %s is missing" % image)
if 'href=""' in text:
    failures.append('an empty link (href="")')

for failure in failures:
    print("FAIL:", failure)
print("%d sections, %d links, %d pictures" % (len(sections), len(re.findall(r'href="#', text)), len(parser.images)))
sys.exit(1 if failures else 0)
