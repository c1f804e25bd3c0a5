#!/usr/bin/env python3
"""Prints an .xlsx workbook as openpyxl reads it: one line per sheet name, then one line per
row, cells separated by tabs, each written type:value (n number, s text, - empty)."""
import sys

import openpyxl


def cell(v):
    if v is None:
        return "-"
    if isinstance(v, (int, float)):
        return "n:%g" % v
    return "s:%s" % v


book = openpyxl.load_workbook(sys.argv[1], read_only=True)
for ws in book.worksheets:
    print("[%s]" % ws.title)
    for row in ws.iter_rows(values_only=True):
        print("\t".join(cell(v) for v in row))
