#!/usr/bin/python3
"""Writes the .xls workbooks that the station's tests, benchmarks and users need, with xlwt.

    make_workbooks.py tests   DIR   the fixtures of the reader and import tests
    make_workbooks.py samples DIR   the sample workbooks installed with the station
    make_workbooks.py bench   DIR   the large workbooks of the import benchmark

No workbook is kept in the source tree: they are all made here at build time. Run with
/usr/bin/python3 so that Debian's python3-xlwt is found.
"""

import datetime
import os
import sys

import xlwt

DATE = xlwt.easyxf(num_format_str="YYYY-MM-DD")
DATETIME = xlwt.easyxf(num_format_str="YYYY-MM-DD HH:MM:SS")
TIME = xlwt.easyxf(num_format_str="HH:MM:SS")
# The "text" cell format the import help dialogs ask for.
TEXT = xlwt.easyxf(num_format_str="@")

STUDENT_HEADINGS = ["年级编号", "班号", "班级名称", "学号", "民族编号", "姓名", "性别",
                    "出生日期", "家庭地址", "学生来源"]
SCORE_HEADINGS = ["学号", "姓名", "项目编号", "成绩"]
CARD_HEADINGS = ["学号", "姓名", "卡号"]
NAME_HEADINGS = ["编号", "姓名"]


def write_cell(ws, r, c, value, text_style=None):
    """None leaves the cell unwritten; dates get a date format, so they are date cells."""
    if value is None:
        return
    if text_style is not None and isinstance(value, str):
        ws.write(r, c, value, text_style)
        return
    if isinstance(value, datetime.datetime):
        ws.write(r, c, value, DATETIME)
    elif isinstance(value, datetime.date):
        ws.write(r, c, value, DATE)
    elif isinstance(value, datetime.time):
        ws.write(r, c, value, TIME)
    else:
        ws.write(r, c, value)


def save(path, sheets, text_style=None):
    """sheets: list of (name, rows); rows: list of lists (None = unwritten cell,
    an empty list = an empty row)."""
    wb = xlwt.Workbook(encoding="utf-8")
    for name, rows in sheets:
        ws = wb.add_sheet(name)
        for r, row in enumerate(rows):
            for c, value in enumerate(row):
                write_cell(ws, r, c, value, text_style)
    wb.save(path)


def sheet1(path, rows, text_style=None):
    save(path, [("Sheet1", rows)], text_style)


# ---------------------------------------------------------------- reader and import fixtures

def student_row(grade, class_no, class_name, stu_no, name, sex, birthday,
                nation="01", address="青石街5号", area=""):
    return [grade, class_no, class_name, stu_no, nation, name, sex, birthday, address, area]


def tests(out):
    # Every kind of cell the reader turns into text.
    sheet1(os.path.join(out, "cells.xls"), [
        ["文本", "整数", "小数", "日期", "空", "备注"],
        ["  2101001  ", 2103001, 69.5, datetime.date(1997, 9, 14), None, "张 三"],
        ["\t制表符\t", -7, 3.0, datetime.datetime(2001, 2, 3, 4, 5, 6), "", '他说"好",\'行\''],
        [],
        ["末行", 123456789012345, 0.1, datetime.time(7, 8, 9), None, "中文"],
        [None, None, None, None, None, "  只有最后一列  "],
    ])
    sheet1(os.path.join(out, "headings_only.xls"), [["学号", "姓名", "项目编号", "成绩"]])
    save(os.path.join(out, "empty_sheet1.xls"), [("Sheet1", [])])
    save(os.path.join(out, "other_name.xls"), [("学生", [["学号"], ["2101001"]])])
    save(os.path.join(out, "second_sheet1.xls"), [
        ("说明", [["说明", "不是数据", "第三列"], ["这一页", "不读", "x"], ["a", "b", "c"]]),
        ("Sheet1", [["学号", "姓名"], ["2101001", "王小明"]]),
        ("Sheet3", [["别的"], ["也不读"]]),
    ])
    # The largest sheet an .xls file can hold (65536 rows, 256 columns), sparsely filled: the
    # reader's memory limit must leave room for it.
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("Sheet1")
    ws.write(0, 0, "学号")
    for r in range(1, 65535, 97):
        ws.write(r, r % 256, "第%d行" % r)
    ws.write(65535, 255, "最后")
    wb.save(os.path.join(out, "largest_sheet.xls"))
    save(os.path.join(out, "lower_sheet1.xls"), [("sheet1", [["学号"], ["2101009"]])])
    sheet1(os.path.join(out, "UPPER.XLS"), [["学号"], ["2101001"]])
    # A roster saved as CSV and given the .xls name.
    with open(os.path.join(out, "not_a_workbook.xls"), "w", encoding="utf-8") as f:
        f.write("学号,姓名\n" + "".join("21010%02d,王小明\n" % i for i in range(60)))

    # Student imports: ten text columns unless the case says otherwise.
    heads = STUDENT_HEADINGS
    sheet1(os.path.join(out, "students.xls"), [
        heads,
        student_row("21", "2101", "一年级一班", "2101001", "王小明", " 1 ", "1997-9-14"),
        student_row("21x", "2101", "一年级一班", "2101002", "李\"小\"红", "2", "1997/09/04",
                    address="  北京路 1 号  ", area="外地"),
        student_row("abc", "2102", "一年级二班", "2102001", "赵云", "男", "",
                    nation="汉"),
        student_row("22", "2201", "二年级一班", "2201001", "钱多多", "", "1996-13-40"),
        student_row("22", "2201", "二年级一班", "2201002", "孙悟空", "X", "明天"),
    ])
    # Numbers and a date as the cells of a workbook not formatted as text.
    sheet1(os.path.join(out, "students_numeric.xls"), [
        heads,
        [21, 2101, "一年级一班", 2103001, 1, "周杰", 1, datetime.date(1997, 9, 14),
         "青石街5号", None],
        [21, 2101, "一年级一班", 2103002, 1, "吴娟", 2, datetime.datetime(1998, 1, 2, 0, 0, 0),
         None, None],
    ])
    # An empty name ends the import: rows after it are not read.
    sheet1(os.path.join(out, "students_stop_at_empty_name.xls"), [
        heads,
        student_row("21", "2101", "一年级一班", "2101011", "甲", "1", "1997-1-1"),
        student_row("21", "2101", "一年级一班", "2101012", "", "1", "1997-1-1"),
        student_row("21", "2101", "一年级一班", "2101013", "丙", "1", "1997-1-1"),
    ])
    sheet1(os.path.join(out, "students_only_empty_name.xls"), [
        heads, student_row("21", "2101", "一年级一班", "2101021", "", "1", "1997-1-1")])
    # An empty row inside the used range has an empty name: the end of the data.
    sheet1(os.path.join(out, "students_empty_row.xls"), [
        heads,
        student_row("21", "2101", "一年级一班", "2101031", "甲", "1", "1997-1-1"),
        [],
        student_row("21", "2101", "一年级一班", "2101033", "丙", "1", "1997-1-1"),
    ])
    # The second row repeats the first row's student number.
    sheet1(os.path.join(out, "students_duplicate.xls"), [
        heads,
        student_row("21", "2101", "一年级一班", "2101041", "甲一", "1", "1997-1-1"),
        student_row("21", "2101", "一年级一班", "2101041", "乙二", "2", "1997-1-2"),
        student_row("21", "2101", "一年级一班", "2101043", "丙三", "1", "1997-1-3"),
    ])
    sheet1(os.path.join(out, "students_nine_columns.xls"), [
        heads[:9],
        student_row("21", "2101", "一年级一班", "2101051", "甲", "1", "1997-1-1")[:9],
    ])
    sheet1(os.path.join(out, "students_wide.xls"), [
        heads + ["备注", "多余"],
        student_row("21", "2101", "一年级一班", "2101061", "甲", "1", "1997-1-1")
        + ["不读", "也不读"],
    ])
    save(os.path.join(out, "students_other_sheet.xls"), [
        ("学生", [heads, student_row("21", "2101", "一年级一班", "2101071", "甲", "1", "")])])
    sheet1(os.path.join(out, "STUDENTS.XLS"), [
        heads, student_row("21", "2101", "一年级一班", "2101081", "甲", "1", "")])

    # More rows than one batch of the import holds.
    sheet1(os.path.join(out, "students_600.xls"), [heads] + [
        student_row("21", "2105", "一年级五班", "2105%03d" % i, "学生%d" % i, "1", "1997-1-1")
        for i in range(600)])

    # Score imports, for pupils the tests store first (2101001 has the items of grade 21).
    sheet1(os.path.join(out, "scores.xls"), [
        SCORE_HEADINGS,
        ["2101001", "王小明", "01", "69.5"],
        ["2101001", "不是库里的名字", "2", "31"],
        ["9999999", "无此人", "01", "50"],
        ["2101001", "王小明", "03", "88"],
        ["2101002", "李小红", "7", "abc"],
    ])
    sheet1(os.path.join(out, "scores_numeric.xls"), [
        SCORE_HEADINGS,
        [2101001, "王小明", 1, 69.5],
        [2101001, "王小明", 2, 40],
    ])
    sheet1(os.path.join(out, "scores_stop_at_empty_number.xls"), [
        SCORE_HEADINGS,
        ["2101001", "王小明", "01", "150"],
        ["", "空学号", "01", "151"],
        ["2101002", "李小红", "01", "152"],
    ])
    sheet1(os.path.join(out, "scores_three_columns.xls"), [
        SCORE_HEADINGS[:3], ["2101001", "王小明", "01"]])
    sheet1(os.path.join(out, "scores_wide.xls"), [
        SCORE_HEADINGS + ["备注"], ["2101001", "王小明", "2", "33", "不读"]])

    # Card imports, for the pupils 2101001-2101003 the tests store first.
    sheet1(os.path.join(out, "cards.xls"), [
        CARD_HEADINGS,
        ["2101001", "王小明", "0708001"],
        ["9999999", "无此人", "0708999"],
        ["2101002", "不是库里的名字", "0708002"],
        ["", "空学号", "0708003"],
        ["2101003", "张伟", "0708004"],
    ])
    sheet1(os.path.join(out, "cards_too_long.xls"), [
        CARD_HEADINGS,
        ["2101001", "王小明", "C" * 50],
        ["2101002", "李小红", "D" * 51],
    ])
    # A pupil not found needs no card cell; a pupil found does.
    sheet1(os.path.join(out, "cards_two_columns.xls"), [
        CARD_HEADINGS[:2], ["9999999", "无此人"], ["2101001", "王小明"], ["2101002", "李小红"]])

    # Name downloads: the workbook's name is the class name.
    names = [NAME_HEADINGS] + [["2024%03d" % i, "学生%d" % i] for i in range(1, 41)]
    names[31][0] = None  # data row 31: no number
    sheet1(os.path.join(out, "初一(3)班.xls"), names)
    sheet1(os.path.join(out, "names_unsendable.xls"), [
        NAME_HEADINGS,
        ["  A001  ", "  王小明  "],
        ["A" * 21, "编号太长"],
        ["A003", "表情\U0001F600"],
        ["A004", "李小红"],
    ])
    sheet1(os.path.join(out, "names_one_column.xls"), [["编号"], ["B001"], ["B002"]])


# ---------------------------------------------------------------- samples shipped with the station

SAMPLE_PUPILS = [
    # grade, class, class name, student number, name, sex, birthday
    ("21", "2101", "一年级一班", "2101001", "王小明", "男", "1997-9-14"),
    ("21", "2101", "一年级一班", "2101002", "李晓红", "女", "1997-11-2"),
    ("21", "2101", "一年级一班", "2101003", "张伟", "男", "1998-1-20"),
    ("21", "2101", "一年级一班", "2101004", "刘芳", "女", "1997-10-8"),
    ("21", "2102", "一年级二班", "2102001", "陈杰", "男", "1997-12-30"),
    ("21", "2102", "一年级二班", "2102002", "杨静", "女", "1998-3-3"),
    ("21", "2102", "一年级二班", "2102003", "赵磊", "男", "1997-9-1"),
    ("21", "2102", "一年级二班", "2102004", "黄丽", "女", "1998-5-16"),
]


def samples(out):
    # Every cell is text, as the format help of each import asks.
    sheet1(os.path.join(out, "students.xls"), [STUDENT_HEADINGS] + [
        [g, c, cn, no, "01", name, sex, born, "青石街%d号" % (i + 5), ""]
        for i, (g, c, cn, no, name, sex, born) in enumerate(SAMPLE_PUPILS)], TEXT)
    scores = [SCORE_HEADINGS]
    for i, (_, _, _, no, name, _, _) in enumerate(SAMPLE_PUPILS):
        scores.append([no, name, "01", "%.1f" % (118 + i * 1.5)])  # height, cm
        scores.append([no, name, "02", "%.1f" % (21 + i * 0.8)])   # weight, kg
    sheet1(os.path.join(out, "scores.xls"), scores, TEXT)
    sheet1(os.path.join(out, "cards.xls"), [CARD_HEADINGS] + [
        [no, name, "0708%02d" % (i + 13)]
        for i, (_, _, _, no, name, _, _) in enumerate(SAMPLE_PUPILS)], TEXT)
    sheet1(os.path.join(out, "names.xls"), [NAME_HEADINGS] + [
        [no, name] for (_, _, _, no, name, _, _) in SAMPLE_PUPILS], TEXT)


# ---------------------------------------------------------------- benchmark workbooks

BENCH_ROWS = 10000


def bench(out):
    surnames = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗"
    given = "伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平"
    students = [STUDENT_HEADINGS]
    scores = [SCORE_HEADINGS]
    for i in range(BENCH_ROWS):
        class_no = 9001 + i // 40
        no = "B%07d" % (i + 1)
        name = surnames[i % 20] + given[(i // 20) % 20] + given[(i * 7) % 20]
        students.append(["21", str(class_no), "测试%d班" % class_no, no, "01", name,
                         "1" if i % 2 == 0 else "2",
                         "1997-%d-%d" % (1 + i % 12, 1 + i % 28), "示范路%d号" % i, ""])
        # Items 1 and 2 are rows every pupil has; a few numbers match nobody.
        scores.append([no if i % 50 else "X%07d" % i, name, "%02d" % (1 + i % 2),
                       "%.1f" % (100 + (i % 900) / 10.0)])
    sheet1(os.path.join(out, "bench_students.xls"), students)
    sheet1(os.path.join(out, "bench_scores.xls"), scores)


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("tests", "samples", "bench"):
        sys.stderr.write(__doc__)
        return 2
    out = sys.argv[2]
    os.makedirs(out, exist_ok=True)
    {"tests": tests, "samples": samples, "bench": bench}[sys.argv[1]](out)
    # Marks a complete run for the build.
    with open(os.path.join(out, ".made"), "w", encoding="utf-8") as f:
        f.write("made by make_workbooks.py\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
