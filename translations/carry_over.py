#!/usr/bin/env python3
"""Keeps translations when a text moves to another context (class).

lupdate marks a text whose context changed as new ("unfinished", empty) in the new context and as
vanished/obsolete in the old one. This fills every such empty translation from a vanished or obsolete
message with the same source text (and comment), then drops the vanished and obsolete messages, so the
catalogue holds exactly the sources' texts. Usage: carry_over.py FILE.ts...
"""
import sys
import xml.etree.ElementTree as ET

GONE = ("vanished", "obsolete")


def key(message):
    comment = message.find("comment")
    return (message.findtext("source") or "", comment.text if comment is not None else "")


def carry(path):
    tree = ET.parse(path)
    root = tree.getroot()
    kept = {}
    for message in root.iter("message"):
        translation = message.find("translation")
        if translation is not None and translation.get("type") in GONE and (translation.text or ""):
            kept.setdefault(key(message), translation.text)
    filled = 0
    for context in root.findall("context"):
        for message in list(context.findall("message")):
            translation = message.find("translation")
            if translation is None:
                continue
            if translation.get("type") in GONE:
                context.remove(message)
            elif translation.get("type") == "unfinished" and not translation.text and key(message) in kept:
                translation.text = kept[key(message)]
                del translation.attrib["type"]
                filled += 1
        if context.find("message") is None:
            root.remove(context)
    ET.indent(tree, space="    ")
    with open(path, "wb") as out:
        out.write(b'<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n')
        tree.write(out, encoding="utf-8", xml_declaration=False)
        out.write(b"\n")
    print(f"{path}: {filled} translation(s) carried over to a new context")


if __name__ == "__main__":
    for name in sys.argv[1:]:
        carry(name)
