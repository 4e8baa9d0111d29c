"""The module against the program: each case runs the program in batch on
an example, then reads, fits and writes the same data from Python and
holds the result file, the marks, the cursor rows and the report against
the program's, digit for digit."""
import gzip
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import threading
import time
import xml.etree.ElementTree as ET
from pathlib import Path

import numpy as np
import pytest

import kurvex

SOURCE = Path(os.environ["KURVEX_SOURCE"])
BINARY = os.environ["KURVEX_BINARY"]
CURSOR_KEYS = "F3 F2 F3 F2 F2 F3 ctrl+right F3 F1 F3"

# name, example, read() arguments, fit() arguments, write_out() arguments,
# the program's -c settings and the factor keys pressed before the cursor.
CASES = [
    ("titration", "titration", dict(x=2, y=3, omitted_rows=7, error_value=0.02), {}, {}, [], ""),
    ("oscillation", "oscillation", dict(error=3), {}, dict(number_digits=10), ["NumberDigits=10"], ""),
    ("large", "large", dict(error_value=0.02), {}, {}, [], ""),
    ("keys", "titration", dict(x=2, y=3, omitted_rows=7, error_value=0.02), {}, {}, [], "3 ` - 0"),
    ("gcv", "oscillation", dict(error=3), dict(smoothing="GCV"), dict(write_curve=False, show_calculus=False),
     ["SmoothingCriterion=GCV", "WriteCurve=NO", "ShowCalculus=NO"], ""),
    ("edf", "oscillation", dict(error=3), dict(smoothing="edf 12.5"), dict(write_curve=False),
     ["SmoothingCriterion=EDF 12.5", "WriteCurve=NO"], ""),
    ("cv", "titration", dict(x=2, y=3, omitted_rows=7, error_value=0.02), dict(smoothing="CV"),
     dict(write_curve=False), ["SmoothingCriterion=cv", "WriteCurve=NO"], ""),
    ("significant", "titration", dict(x=2, y=3, omitted_rows=7, error_value=0.02), {}, dict(min_z=3),
     ["MarkSignificance=3"], ""),
    ("scatter", "oscillation", dict(error_ratio=4), dict(smoothing=0.5), {},
     ["ColumnError=0", "ErrorRatio=YES 4", "SmoothingParameter=0.5"], ""),
    # Their kurvex.cfg has ColumnSeparator = AUTO and columns by name.
    ("spreadsheet", "spreadsheet", dict(x="time (s)", y="displacement (mm)", error="sigma (mm)", error_unit="y",
                                        separator="auto"), {}, {}, [], ""),
    ("instrument", "instrument", dict(x="V / mL", y="pH", omitted_rows=6, error_value=0.02, separator="auto"),
     {}, {}, [], ""),
]


def data_file(example, folder):
    for f in (SOURCE / "examples" / example).iterdir():
        shutil.copy(f, folder)
    if example == "large":
        subprocess.run(["sh", "make-large.sh"], cwd=folder, check=True)
    return re.search(r"^InputFileName = (\S+)", (folder / "kurvex.cfg").read_text(), re.M).group(1)


@pytest.fixture(scope="module", params=CASES, ids=[c[0] for c in CASES])
def case(request, tmp_path_factory):
    name, example, read_args, fit_args, write_args, settings, keys = request.param
    folder = tmp_path_factory.mktemp(name)
    path = data_file(example, folder)
    command = [BINARY, "--batch", "-c", "ReportFileName=r.json", "-c", "GraphResolution=800x600"]
    for s in settings:
        command += ["-c", s]
    subprocess.run(command + [path], cwd=folder, input=f"{keys} {CURSOR_KEYS} q", text=True, check=True,
                   stdout=subprocess.DEVNULL)
    data = kurvex.read(str(folder / path), **read_args)
    err = kurvex.scale_errors(data.err, keys.replace(" ", "")) if keys else data
    spline = kurvex.fit(data.x, data.y, err, **fit_args) if keys else kurvex.fit(data, **fit_args)
    digits = write_args.get("number_digits", 7)
    return folder, path, data, spline, write_args, digits


def text(v, digits):
    return np.format_float_scientific(np.longdouble(v), precision=digits - 1, unique=False, exp_digits=2)


def test_write_out_is_the_programs_result_file(case):
    folder, path, data, spline, write_args, _ = case
    spline.write_out(str(folder / "py.out"), task=data.task.replace(str(folder) + "/", ""), **write_args)
    assert (folder / "py.out").read_bytes() == (folder / "kurvex.out").read_bytes()


def test_marks_are_the_result_files_marks(case):
    folder, _, _, spline, write_args, digits = case
    kinds = {"Minimum": "minimum", "Maximum": "maximum", "Point of inflection": "inflection"}
    listed = re.findall(r"^  (Minimum|Maximum|Point of inflection) at x= ?(\S+)$",
                        (folder / "kurvex.out").read_text(), re.M)
    marks = spline.marks(min_z=write_args.get("min_z"))
    if not write_args.get("show_calculus", True):
        marks = []  # the file lists none, yet the spline has them
    assert [(kinds[k], x) for k, x in listed] == [(m[0], text(m[1], digits)) for m in marks]
    assert all(isinstance(v, np.longdouble) for m in marks for v in m[1:3])


def test_cursor_values_are_the_calculated_rows(case):
    folder, _, _, spline, _, digits = case
    cursor = json.loads((folder / "r.json").read_text())["cursor"]
    rows = (folder / "kurvex.cal").read_text().splitlines()[3:]
    assert len(rows) == len(cursor) == 5
    for row, c in zip(rows, cursor):
        x = np.longdouble(repr(c["x"]))
        values = [x] + [spline(x, nu) for nu in range(4)] + [spline.integral(x)]
        assert row.split() == [text(v, digits) for v in values]
        assert float(spline.sigma(x)) == pytest.approx(c["sigma_y"], rel=1e-12)


def test_report_is_the_programs_report(case):
    folder, _, _, spline, write_args, _ = case
    theirs, ours = json.loads((folder / "r.json").read_text()), spline.report(min_z=write_args.get("min_z"))
    assert ours["fit"] == theirs["fit"]
    if write_args.get("show_calculus", True):
        assert ours["marks"] == theirs["marks"]
    assert float(spline.edf) == theirs["fit"]["edf"]


def test_significance_goes_with_the_marks_it_keeps():
    data = kurvex.read(str(SOURCE / "examples/titration/titration.dat"), x=2, y=3, omitted_rows=7, error_value=0.02)
    spline = kurvex.fit(data)
    z = spline.significance()
    assert len(z) == len(spline.marks()) == 44
    assert [m["z"] for m in spline.report()["marks"]] == pytest.approx([float(v) for v in z], rel=1e-15)
    strong = spline.marks(min_z=3)
    assert [m[0] for m in strong] == ["inflection"] and abs(strong[0][1] - 21.517) < 1e-3
    assert spline.significance(min_z=3) == [v for v in z if v >= 3]


def test_arrays_are_long_double_and_segments_are_the_curve(case):
    _, _, data, spline, _, _ = case
    seg = spline.segments
    assert data.x.dtype == np.longdouble and len(seg) == data.n
    assert np.array_equal(seg["a"], spline(data.x))
    assert np.array_equal(seg["int"], spline.integral(data.x))


@pytest.mark.parametrize("rows, message", [
    ("1 1\n2.5 2\n2.5 3\n", "Duplicated independent value at  2.500000000000000e+00!"),
    ("1 1\n", "The number of data is less than two!"),
    ("x y\nno numbers\n", "The number of data is less than two!"),
])
def test_bad_data_raise_the_programs_message(tmp_path, rows, message):
    (tmp_path / "d.dat").write_text(rows)
    with pytest.raises(ValueError) as e:
        kurvex.read(str(tmp_path / "d.dat"))
    assert str(e.value) == message


# x, y, err as written: unsorted, one y with more digits than the first 30
# that count, exponents.
ROWS = [("0.35", "5.30615", "18434.6"), ("0.05", "11.13247", "19943"), ("1.5e-1", "9.364570000000000000000000000000015", "2.1e4"),
        ("0.1", "10.05529", "21215.2"), ("2.5E-1", "7.49901", "1e-3")]


def rows_file(folder, name, header, line, compress=False):
    text = header + "".join(line(*r) + "\n" for r in ROWS)
    path = folder / name
    path.write_bytes(gzip.compress(text.encode()) if compress else text.encode())
    return str(path)


def csv_line(x, y, e):
    return f'{x},{y},{e},"a, ""quoted""\nnote"'


def semicolon_line(x, y, e):
    return ";".join(v.replace(".", ",") for v in (x, y, e))


@pytest.mark.parametrize("header, line, compress, args, chosen", [
    ('"t","y (mm)","e","note"\n', csv_line, False, dict(separator=","), (",", False)),
    ('"t","y (mm)","e","note"\n', csv_line, False, dict(separator="auto"), (",", False)),
    ("t;y;e\n", semicolon_line, False, dict(separator=";", decimal_comma=True), (";", True)),
    ("t\ty\te\n", lambda *r: "\t".join(r), False, dict(separator="Tab"), ("\t", False)),
    ("# t y e\n", lambda *r: " ".join(r), True, {}, (None, False)),
    ("t;y;e\n", semicolon_line, True, dict(separator="AUTO"), (";", True)),
], ids=["csv", "csv-auto", "decimal-comma", "tab", "gzip", "gzip-auto"])
def test_formats_give_the_numbers_of_the_blank_separated_file(tmp_path, header, line, compress, args, chosen):
    plain = kurvex.read(rows_file(tmp_path, "d.dat", "# t y e\n", lambda *r: "  ".join(r)), error=3)
    data = kurvex.read(rows_file(tmp_path, "d.csv", header, line, compress), error=3, **args)
    for a in ("x", "y", "err"):
        assert np.array_equal(getattr(data, a), getattr(plain, a)), a
    assert (data.separator, data.decimal_comma) == chosen


# The line skipped holds the names too, in other columns, and one more.
NAMED = 'e,y (mm),t,time\n"t", "y (mm)" ,"e","note"\n'


def test_columns_by_name_are_numbered_in_the_first_row_after_the_omitted_ones(tmp_path):
    path = rows_file(tmp_path, "d.csv", NAMED, csv_line)
    named = kurvex.read(path, x="t", y=" y (mm)", error="e", omitted_rows=1, separator=",")
    numbered = kurvex.read(path, x=1, y=2, error=3, omitted_rows=1, separator=",")
    assert named.task == numbered.task
    for a in ("x", "y", "err"):
        assert np.array_equal(getattr(named, a), getattr(numbered, a)), a


@pytest.mark.parametrize("name", ["time", "y"])  # in the skipped line only; a field's start
def test_a_name_that_no_row_holds_raises_the_programs_message(tmp_path, name):
    path = rows_file(tmp_path, "d.csv", NAMED, csv_line)
    with pytest.raises(ValueError) as e:
        kurvex.read(path, y=name, omitted_rows=1, separator=",")
    assert str(e.value) == f'Column "{name}" is not in {path}'


@pytest.mark.parametrize("unit", ["y", "Y"])
def test_an_error_column_in_units_of_y_is_taken_as_written(tmp_path, unit):
    data = kurvex.read(rows_file(tmp_path, "d.dat", "", lambda *r: " ".join(r)), error=2, error_unit=unit)
    assert np.array_equal(data.err, data.y)


@pytest.mark.parametrize("args, message", [
    (dict(separator=",", decimal_comma=True), "DecimalComma = YES needs a ColumnSeparator other than a comma"),
    *[(dict(separator=s), "separator: ") for s in ["", " ", '"', ";;", "tabs", "\u00e9", "\0", 9]],
    *[(dict(error_unit=u), "error_unit: ") for u in ["", "z", "millionth", 1]],
    *[(dict(x=x), "a column name") for x in ["", " \t", "t" * 256]],
    (dict(error=-1), "columns are numbered"),
])
def test_bad_read_arguments_raise_value_error(args, message):
    with pytest.raises(ValueError, match=f"^{re.escape(message)}"):
        kurvex.read(SOURCE / "examples" / "oscillation" / "oscillation.dat", **args)


def test_unreadable_files_raise_their_os_error(tmp_path):
    with pytest.raises(FileNotFoundError):
        kurvex.read(str(tmp_path / "none.dat"))
    with pytest.raises(IsADirectoryError):
        kurvex.read(str(tmp_path))


@pytest.mark.parametrize("call", [
    lambda: kurvex.fit([0, 2, 1], [1, 2, 3], [1, 1, 1]),
    lambda: kurvex.fit([0, 1, 1], [1, 2, 3], [1, 1, 1]),
    lambda: kurvex.fit([0, 1, 2], [1, 2], [1, 1, 1]),
    lambda: kurvex.fit([0, 1, 2], [1, float("nan"), 3], [1, 1, 1]),
    lambda: kurvex.fit([0, 1, float("inf")], [1, 2, 3], [1, 1, 1]),
    lambda: kurvex.fit([0, 1, 2], [1, 2, 3], [1, -1, 1]),
    lambda: kurvex.fit([0, 1, 2], [1, 2, 3], [1, 1, 1], smoothing="AIC"),
    lambda: kurvex.fit([0, 1, 2], [1, 2, 3], [1, 1, 1], smoothing=-1),
    # EDF needs a k, and 2 < k < n; the program takes any other as the residual iteration.
    lambda: kurvex.fit([0, 1, 2], [1, 2, 3], [1, 1, 1], smoothing="EDF"),
    lambda: kurvex.fit([0, 1, 2], [1, 2, 3], [1, 1, 1], smoothing="EDF 3"),
    lambda: kurvex.fit([0, 1, 2], [1, 2, 3], [1, 1, 1], smoothing="EDF=2"),
    lambda: kurvex.fit([0, 1, 2], [1, 2, 3], [1, 1, 1])([0.5], nu=4),
    # Outside what MaxIteration and NumberDigits accept; taken silently before (0 as 1, 0 digits as 7).
    lambda: kurvex.fit([0, 1, 2], [1, 2, 3], [1, 1, 1], max_iteration=9),
    lambda: kurvex.fit([0, 1, 2], [1, 2, 3], [1, 1, 1], max_iteration=32001),
    lambda: kurvex.fit([0, 1, 2], [1, 2, 3], [1, 1, 1]).write_out(os.devnull, number_digits=0),
    lambda: kurvex.fit([0, 1, 2], [1, 2, 3], [1, 1, 1]).write_out(os.devnull, number_digits=21),
    # Outside what FigureSize and FigureDPI accept.
    lambda: kurvex.fit([0, 1, 2], [1, 2, 3], [1, 1, 1]).figure(os.devnull, size=(160, 19.9)),
    lambda: kurvex.fit([0, 1, 2], [1, 2, 3], [1, 1, 1]).figure(os.devnull, dpi=2401),
])
def test_bad_arguments_raise_value_error(call):
    with pytest.raises(ValueError):
        call()


def test_a_failed_write_leaves_no_file_open():
    spline = kurvex.fit(np.linspace(0, 1, 50), np.linspace(0, 1, 50) ** 2, np.full(50, 0.1))
    before = len(os.listdir("/proc/self/fd"))
    for _ in range(3):
        with pytest.raises(OSError):
            spline.write_out("/dev/full")
    assert len(os.listdir("/proc/self/fd")) == before


def test_iteration_limit_raises_with_the_count():
    x = np.linspace(0, 10, 200)
    y = np.sin(x) + 0.1 * np.cos(37 * x)
    with pytest.raises(RuntimeError) as e:
        kurvex.fit(x, y, np.full(200, 0.1), max_iteration=10)  # needs 11
    assert e.value.args == ("10 iterations are not enough!", 10)


def test_criterion_names_in_any_case_as_in_the_configuration():
    x = np.linspace(0, 10, 60)
    y = np.sin(x) + 0.1 * np.cos(37 * x)
    err = np.full(60, 0.1)
    assert kurvex.fit(x, y, err, smoothing="ubre").p == kurvex.fit(x, y, err, smoothing="UBRE").p
    assert kurvex.fit(x, y, err, smoothing="Residual").p == kurvex.fit(x, y, err).p
    assert kurvex.fit(x, y, err, smoothing="cv").p == kurvex.fit(x, y, err, smoothing="CV").p
    assert kurvex.fit(x, y, err, smoothing="Edf=12").p == kurvex.fit(x, y, err, smoothing="EDF 12").p


def test_float64_input_is_widened_exactly():
    x = np.array([0.1, 0.7, 1.3, 2.9])
    s = kurvex.fit(x, np.sin(x), np.full(4, 0.3))
    assert np.array_equal(s.segments["a"], s(x.astype(np.longdouble)))
    assert s(x.astype(np.longdouble)).dtype == np.longdouble


def test_readme_examples_run(tmp_path):
    """The Python section's examples, one after the other, as a reader types them."""
    section = re.search(r"^## Python\n(.*?)^## ", (SOURCE / "README.md").read_text(), re.S | re.M).group(1)
    code = "".join(re.findall(r"^```python\n(.*?)^```", section, re.S | re.M))
    (tmp_path / "examples").symlink_to(SOURCE / "examples")
    result = subprocess.run([sys.executable, "-c", code], cwd=tmp_path, capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
    assert result.stdout.startswith("equivalence point: V = 21.5")
    assert (tmp_path / "fit.pdf").read_bytes().startswith(b"%PDF-")


def test_sigma_at_nan_and_infinity():
    """NaN has no sigma; at -inf and inf, on the tangent lines beyond the ends
    (where the value is infinite too), the sigmas are their limits there. All
    were 0."""
    x = np.linspace(0, 10, 50)
    s = kurvex.fit(x, np.sin(x), np.full(50, 0.1))
    assert all(np.isnan(s.sigma(np.nan, nu)) for nu in range(3))
    for end, far in ((x[0], -np.inf), (x[-1], np.inf)):
        assert s.sigma(far) == np.inf
        assert s.sigma(far, 1) == s.sigma(end, 1) > 0
        assert s.sigma(far, 2) == 0


def test_threads_share_a_fresh_spline():
    """Eight threads ask one freshly fitted spline for what its bands give,
    all at once: each gets what one thread alone gets. The bands were made by
    all of them together: sigmas inf or 0, edf NaN, at 2 x 10^5 points a crash."""
    n = 20000
    x = np.linspace(0, 100, n)
    y, err, at = np.sin(x) + 0.01 * np.cos(37 * x), np.full(n, 0.05), np.linspace(-1, 101, 501)

    def results(s):
        return s.sigma(at).tolist(), s.sigma(at, 1).tolist(), s.edf, s.marks(), s.report()

    alone = results(kurvex.fit(x, y, err))
    for _ in range(3):
        s, start, got = kurvex.fit(x, y, err), threading.Barrier(8), []
        threads = [threading.Thread(target=lambda: (start.wait(), got.append(results(s)))) for _ in range(8)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        assert got == [alone] * 8


def test_ctrl_c_interrupts_a_long_fit():
    """A UBRE fit of 5 x 10^5 points takes seconds; Ctrl-C was delivered only
    after it."""
    code = """if True:
        import numpy as np, kurvex
        x = np.linspace(0, 100, 500000)
        print("fitting", flush=True)
        try:
            kurvex.fit(x, np.sin(x), np.full(x.size, 0.05), smoothing="UBRE")
        except KeyboardInterrupt:
            print("interrupted", flush=True)"""
    child = subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "fitting\n"
        time.sleep(0.3)
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        assert child.stdout.readline() == "interrupted\n"
        assert time.monotonic() - sent < 1.5
    finally:
        child.kill()
        child.wait()


def test_file_names_that_are_not_utf8(tmp_path):
    """A name's bytes that are not UTF-8 come back as os.fsdecode gives them;
    the task and the report raised UnicodeDecodeError."""
    name = os.fsencode(tmp_path) + b"/d\xff.dat"
    with open(name, "w") as f:
        f.write("1 1\n2 3\n3 2\n4 5\n")
    data = kurvex.read(os.fsdecode(name))
    assert data.task.startswith(os.fsdecode(name) + " x1 y2")
    assert kurvex.read(name).task == data.task
    spline = kurvex.fit(data)
    assert spline.report()["data"]["n"] == 4
    spline.write_out(name + b".out")
    assert b"Task: " + name + b" x1 y2" in Path(os.fsdecode(name + b".out")).read_bytes()


def svg_texts(path):
    """The text of each <text> element of an SVG, with its transform."""
    return [(t.text, t.get("transform")) for t in ET.parse(path).iter("{http://www.w3.org/2000/svg}text")]


def straight_line():
    x = np.linspace(0, 10, 11)
    return kurvex.fit(x, 3 * x + 50, np.full(11, 0.1))


def test_figure_numbers_the_axes_at_round_ticks_and_names_them(tmp_path):
    straight_line().figure(tmp_path / "f.svg", xlabel="t / s", ylabel="U / V")
    texts = svg_texts(tmp_path / "f.svg")
    assert sorted(t for t, _ in texts) == sorted(["0", "2", "4", "6", "8", "10", "50", "55", "60", "65", "70", "75",
                                                  "80", "t / s", "U / V"])
    turned = dict(texts)
    assert turned["t / s"] is None and turned["U / V"].startswith("rotate(-90")  # the y axis's label is turned


def test_figure_labels_the_marks_that_reach_min_z_as_the_program_does(tmp_path):
    """The program then draws the same figure into the same file, which the
    module has let go of (but for cairo's numbers of its surfaces, which count
    on within a process)."""
    data_file("titration", tmp_path)
    data = kurvex.read(tmp_path / "titration.dat", x=2, y=3, omitted_rows=7, error_value=0.02)
    kurvex.fit(data).figure(tmp_path / "t.svg", xlabel="V / mL", ylabel="pH", labels=True, min_z=3)
    assert [t for t, _ in svg_texts(tmp_path / "t.svg") if "\u00b1" in t] == ["21.5170 \u00b1 0.0008"]
    ours = (tmp_path / "t.svg").read_bytes()
    subprocess.run([BINARY, "--batch", "-c", "FigureFileName=t.svg", "-c", "MarkSignificance=3", "-c",
                    "FigureLabels=YES"], cwd=tmp_path, input="q", text=True, check=True, stdout=subprocess.DEVNULL)
    theirs = (tmp_path / "t.svg").read_bytes()
    assert re.sub(rb"surface\d+", b"", theirs) == re.sub(rb"surface\d+", b"", ours)


@pytest.mark.parametrize("name, options, start", [
    ("f.pdf", {}, b"%PDF-"),
    # 160 x 100 mm at 150 dpi, in the header's IHDR chunk.
    ("f.png", dict(dpi=150), b"\x89PNG\r\n\x1a\n\0\0\0\rIHDR" + struct.pack(">II", 945, 591)),
])
def test_figure_format_follows_the_paths_ending(tmp_path, name, options, start):
    straight_line().figure(tmp_path / name, **options)
    assert (tmp_path / name).read_bytes().startswith(start)


def test_a_figure_that_cannot_be_written_raises_its_os_error(tmp_path):
    with pytest.raises(FileNotFoundError):
        straight_line().figure(tmp_path / "none" / "f.svg")
