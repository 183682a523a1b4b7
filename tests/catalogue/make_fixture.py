#!/usr/bin/env python3
"""Turns the chip table document into the catalogue test fixture.

Run once, by hand, whenever the chip table document changes:

    make_fixture.py DOCUMENT.md

It reads the entries section of the document (menu tree, per-group tables and
the group sentences above them) and writes, next to this script:

  chip_table.csv  one row per entry in menu order; "-" marks a field the
                  entry leaves alone
  submenus.csv    one row per submenu: caption, parent, English caption,
                  shown in the English build, number of entries

The tests read only these two files; they never read the document. The
fixture is kept independent of the C++ table on purpose, so that a slip in
either one shows up as a difference.
"""
import csv
import pathlib
import re
import sys

FIELDS = ["ChipFamily", "ChipSize", "ChipSubType", "ChipAddrMode", "PageSize",
          "ChipId1", "ChipId2", "EraseTime", "Vcc18V", "PageEraseChip",
          "ChipOptions", "Esp8285Mode", "CtrlFlagsBits"]
# Opening the popup clears these four, so a 0 in the tables sets nothing new.
CLEARED_ON_OPEN = {"Vcc18V", "PageEraseChip", "ChipOptions", "Esp8285Mode"}
WORDS = {"one": 1, "both": 2, "two": 2, "three": 3, "four": 4}

VALUE = r"(0x[0-9A-Fa-f]+|\d+)(?: ([KM])\b)?"
FIELD_VALUE = re.compile(r"`(\w+)` " + VALUE)
QUOTED = re.compile(r'"([^"]+)"')


def number(text, unit=None):
    n = int(text, 16) if text.lower().startswith("0x") else int(text)
    return n * {"K": 1024, "M": 1048576, None: 1}[unit or None]


def cell_value(cell):
    cell = cell.strip()
    if cell in ("—", ""):
        return None
    m = re.match(VALUE, cell)
    if not m:
        sys.exit("unreadable cell: " + cell)
    return number(m.group(1), m.group(2))


def further_fields(cell):
    out = {f: number(v, u) for f, v, u in FIELD_VALUE.findall(cell)}
    m = re.search(r"bit (0x[0-9A-Fa-f]+) of `CtrlFlags` set", cell)
    if m:
        out["CtrlFlagsBits"] = number(m.group(1))
    return out


def section(lines):
    start = next(i for i, l in enumerate(lines) if l.startswith("# ") and l.rstrip().endswith("Chip catalogue"))
    begin = next(i for i in range(start, len(lines)) if lines[i].strip() == "**The entries**")
    end = next(i for i in range(begin, len(lines)) if lines[i].strip() == "**Interfaces**")
    return lines[begin + 1:end]


def split_row(line):
    return [c.strip() for c in line.strip().strip("|").split("|")]


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    lines = section(pathlib.Path(sys.argv[1]).read_text(encoding="utf-8").splitlines())

    # The menu tree: submenus in order, their parents, and the top-level separators.
    submenus = []          # [caption, parent, english, shown_en, count]
    top_separated = []     # first entry after each top-level separator
    for line in lines:
        m = re.match(r"^\d+\. (.*)$", line)
        if not m:
            continue
        text = m.group(1)
        if text.startswith("A separator, then"):
            top_separated.append(QUOTED.findall(text)[0])
            continue
        name = QUOTED.findall(text)[0]
        submenus.append([name, "", name, 1, None])
        if "with the maker submenus" in text:
            makers = text.split("with the maker submenus", 1)[1]
            for maker in QUOTED.findall(makers):
                submenus.append([maker, name, maker, 1, None])
        cm = re.search(r"▸ (\d+) entr", text)
        if cm:
            submenus[-1][4] = int(cm.group(1))
    by_caption = {s[0]: s for s in submenus}

    # Separators inside submenus: remember the entry that follows each one.
    sep_text = next(l for l in lines if l.startswith("Separators inside submenus:"))
    sep_between = set()   # entries that have a separator before them
    sep_after = set()     # entries that have a separator after them
    for clause in sep_text.split(":", 1)[1].split(";"):
        for a, b in re.findall(r'between "([^"]+)" and "([^"]+)"', clause):
            sep_between.add(b)
        for a in re.findall(r'after "([^"]+)"', clause):
            sep_after.add(a)

    hidden_line = next(l for l in lines if "are hidden whenever the popup is shown" in l)
    hidden = set(QUOTED.findall(hidden_line.split("are hidden", 1)[0]))
    en_hidden = QUOTED.findall(hidden_line.split("are hidden", 1)[1])
    for name in en_hidden:
        by_caption[name][3] = 0

    rows = []
    group = None
    shared = {}
    header = None
    header_re = re.compile(r'^"([^"]+)"(?: ▸ "([^"]+)")?(?: \(shown as "([^"]+)" in the English build\))?:\s*(.*)$')

    def add(caption, fields):
        values = dict(shared)
        values.update(fields)
        rows.append({"caption": caption, "group": group, **values})

    for line in lines:
        if line.startswith("Top-level entries:"):
            group, shared, header = "", {}, None
            continue
        m = header_re.match(line)
        if m and not line.startswith("Separators"):
            group = m.group(2) or m.group(1)
            if m.group(3):
                by_caption[group][2] = m.group(3)
            rest = m.group(4)
            stated = None
            cm = re.match(r"(?:all|the) (\d+|\w+)", rest) or re.match(r"(both)", rest)
            if cm:
                word = cm.group(1)
                stated = int(word) if word.isdigit() else WORDS[word]
            if stated is not None:
                if by_caption[group][4] not in (None, stated):
                    sys.exit("count mismatch for " + group)
                by_caption[group][4] = stated
            shared = {f: number(v, u) for f, v, u in FIELD_VALUE.findall(rest)}
            header = None
            named = QUOTED.findall(rest.split("set", 1)[0])
            for caption in named:  # groups described in one sentence
                add(caption, {})
            continue
        if line.startswith("| Entry |"):
            header = [c.strip("`") for c in split_row(line)]
            continue
        if header and line.startswith("|") and not line.startswith("|---"):
            cells = split_row(line)
            caption = QUOTED.findall(cells[0])[0]
            fields = {}
            for name, cell in zip(header[1:], cells[1:]):
                if name == "further":
                    fields.update(further_fields(cell))
                elif name in FIELDS:
                    v = cell_value(cell)
                    if v is not None:
                        fields[name] = v
                else:
                    sys.exit("unknown column " + name)
            add(caption, fields)
            continue
        if not line.startswith("|"):
            header = None

    # Separator flags, in menu order.
    for i, row in enumerate(rows):
        prev = rows[i - 1] if i > 0 else None
        row["separator"] = int(
            row["caption"] in sep_between or row["caption"] in top_separated
            or (prev is not None and prev["group"] == row["group"] and prev["caption"] in sep_after))
        row["hidden"] = int(row["caption"] in hidden)
        for f in CLEARED_ON_OPEN:
            if row.get(f) == 0:
                del row[f]

    # Sanity of the extraction itself.
    captions = [r["caption"] for r in rows]
    if len(set(captions)) != len(captions):
        sys.exit("duplicate captions")
    for s in submenus:
        n = sum(1 for r in rows if r["group"] == s[0])
        if s[4] is None:
            s[4] = n
        if s[4] != n:
            sys.exit("submenu %s: %d rows, %d stated" % (s[0], n, s[4]))
    for name in sep_between | sep_after | set(top_separated) | hidden:
        if name not in captions:
            sys.exit("unknown entry " + name)

    here = pathlib.Path(__file__).resolve().parent
    with open(here / "chip_table.csv", "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["caption", "group", "separator", "hidden"] + FIELDS)
        for r in rows:
            w.writerow([r["caption"], r["group"], r["separator"], r["hidden"]]
                       + [r.get(k, "-") for k in FIELDS])
    with open(here / "submenus.csv", "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["caption", "parent", "english", "shown_en", "entries"])
        w.writerows(submenus)
    print("%d entries, %d submenus" % (len(rows), len(submenus)))


if __name__ == "__main__":
    main()
