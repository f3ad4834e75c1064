"""Prints every cell of every .xlsx file in a folder as JSON: {file: [[[kind, text], ...], ...]}.

kind: "n" number, "s" text, "d" date or time, "f" formula, "b" truth value, "e" empty.
"""
import datetime
import json
import os
import sys

import openpyxl


def cell(c):
    v = c.value
    if v is None:
        return ["e", ""]
    if c.data_type == "f":
        return ["f", str(v)]
    if isinstance(v, bool):
        return ["b", str(v)]
    if isinstance(v, (datetime.datetime, datetime.date, datetime.time)):
        return ["d", v.isoformat()]
    if isinstance(v, (int, float)):
        return ["n", repr(v)]
    return ["s", str(v)]


def main(folder):
    book = {}
    for name in sorted(os.listdir(folder)):
        if name.endswith(".xlsx"):
            sheet = openpyxl.load_workbook(os.path.join(folder, name)).active
            book[name] = [[cell(c) for c in row] for row in sheet.iter_rows()]
    json.dump(book, sys.stdout, ensure_ascii=True)


if __name__ == "__main__":
    main(sys.argv[1])
