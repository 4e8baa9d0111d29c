// The compiled module of the Python package `kurvex` (kurvex._kurvex): the
// program's reader, fit, evaluation, curve analysis, uncertainties, report
// and result file, called from Python on numpy arrays of numpy.longdouble
// (the 80-bit extended real). Every number comes from the engine's own
// functions, so it is the program's to the last bit; the module only moves
// arrays in and out and turns the engine's stops into Python exceptions.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "base/convert.h"
#include "base/number_format.h"
#include "base/stop.h"
#include "config/settings.h"
#include "config/settings_table.h"
#include "config/smoothing_criterion.h"
#include "data/arrays.h"
#include "data/dataset.h"
#include "data/fields.h"
#include "data/reader.h"
#include "module_stops.h"
#include "output/analysis_report.h"
#include "output/figure.h"
#include "output/report_file.h"
#include "output/result_files.h"
#include "output/spline_file.h"
#include "spline/criterion.h"
#include "spline/significance.h"
#include "spline/curve_walk.h"
#include "spline/evaluate.h"
#include "spline/fit.h"
#include "spline/uncertainty.h"

namespace py = pybind11;
using Real = long double;
using RealArray = py::array_t<Real, py::array::c_style | py::array::forcecast>;

namespace kurvexpy {
namespace {

// ---- Arrays ------------------------------------------------------------------

// The engine's arrays are indexed from 1; element 0 exists and is unused.
std::vector<Real> FromNumpy(py::handle values, const char* name) {
  const RealArray a = RealArray::ensure(values);
  if (!a || a.ndim() != 1) throw py::value_error(std::string(name) + " must be a one-dimensional array");
  std::vector<Real> v(static_cast<std::size_t>(a.size()) + 1, 0);
  std::copy(a.data(), a.data() + a.size(), v.begin() + 1);
  return v;
}

// A numpy.longdouble scalar: a Python float would drop the last 11 bits.
py::object LongDouble(Real v) {
  RealArray a(std::vector<py::ssize_t>{});
  *a.mutable_data() = v;
  return a[py::tuple()];
}

// A setting that the program reads as text from kurvex.cfg: a str is
// parsed as the program parses it, and so is a Python float or int, by its
// shortest decimal (0.02 is the 0.02 of the file, not the double nearest
// it widened); a numpy.longdouble is taken as it is.
Real SettingReal(py::handle v, const char* name) {
  long double r = 0;
  if (py::isinstance<py::str>(v) || PyFloat_CheckExact(v.ptr()) || PyLong_CheckExact(v.ptr())) {
    const std::string text = py::isinstance<py::str>(v) ? v.cast<std::string>() : py::repr(v).cast<std::string>();
    if (!base::ParseReal(text, r)) throw py::value_error(std::string(name) + ": not a real: " + text);
    return r;
  }
  const RealArray a = RealArray::ensure(v);
  if (!a || a.size() != 1) throw py::value_error(std::string(name) + " must be a real");
  return *a.data();
}

// A file name as the system takes it, from a str, bytes or a path object,
// encoded as os.fsencode encodes it: a str's undecodable bytes, which
// Python keeps as lone surrogates, become those bytes again.
std::string SystemName(py::handle name) {
  PyObject* bytes = nullptr;
  if (PyUnicode_FSConverter(name.ptr(), &bytes) == 0) throw py::error_already_set();
  return py::reinterpret_steal<py::bytes>(bytes);
}

// A text made of file names and the program's words, as os.fsdecode
// decodes a name: bytes that are not UTF-8 become lone surrogates.
py::str SystemText(const std::string& text) {
  PyObject* str = PyUnicode_DecodeFSDefaultAndSize(text.data(), static_cast<py::ssize_t>(text.size()));
  if (str == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(str);
}

// A count the program takes from kurvex.cfg only within its bounds (there
// a value outside them silently gives the default): here it is an error.
int32_t CheckedSetting(long long value, config::Key key, const char* name) {
  const config::KeySpec& k = config::Spec(key);
  if (value < k.Values.Low || value > k.Values.High)
    throw py::value_error(std::string(name) + " must be " + std::to_string(k.Values.Low) + " to " +
                          std::to_string(k.Values.High) + ", as " + k.Name + " in kurvex.cfg");
  return static_cast<int32_t>(value);
}

RealArray ToNumpy(const std::vector<Real>& v) {
  RealArray a(static_cast<py::ssize_t>(v.size() - 1));
  std::copy(v.begin() + 1, v.end(), a.mutable_data());
  return a;
}

// ---- Data ----------------------------------------------------------------------

// A data set as the program holds it after reading: sorted by X, errors
// completed (in units of Y), with the task text of its result files and
// where its errors came from.
struct Series {
  std::vector<Real> X, Y, E;
  int32_t n = 0;
  std::string Task;
  int32_t ColumnError = 0, ErrorRatio = 0;
  Real ErrorFill = -1;
  char Separator = 0;  // the rows' format, as given or as AUTO chose it
  bool DecimalComma = false;
  bool FromArrays = false;  // fit(x, y, err): each point's error was given
};

// A data file opened for reading the way the program opens it: only a
// regular file, since it is read twice, and a gzip file through zlib.
// OSError says why not, with the program's reason.
void OpenInput(data::TextInput& in, const std::string& path) {
  std::string reason;
  if (!data::OpenInput(in, path, reason)) {
    const int code = errno;
    const py::object error = py::reinterpret_borrow<py::object>(PyExc_OSError)(code, reason, SystemText(path));
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
    throw py::error_already_set();
  }
}

// The program's sort and duplicate check, run on these rows through its
// data set record; its stop on an X that occurs twice raises ValueError
// with its message.
void SortAsTheProgram(Series& s) {
  data::DataSetRecord& d = data::DataSet;
  d.Count = s.n, d.XValues = s.X.data(), d.YValues = s.Y.data(), d.ErrValues = s.E.data();
  try {
    data::PrepareData();
  } catch (...) {
    d = data::DataSetRecord{};
    throw;
  }
  d = data::DataSetRecord{};
}

// A column as read() takes it: its number, or a str naming it in the
// file's header (blanks and tabs around the name passed over, as the
// program passes them over in kurvex.cfg).
using ColumnArg = std::variant<int32_t, std::string>;

struct Column {
  int32_t Number = 0;
  std::string Name;  // non-empty: found in the header when the file is read
};

Column ColumnOf(const ColumnArg& arg, int32_t lowest) {
  if (const int32_t* number = std::get_if<int32_t>(&arg)) {
    if (*number < lowest) throw py::value_error("columns are numbered from 1 (error from 0)");
    return {*number, ""};
  }
  const std::string& text = std::get<std::string>(arg);
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) throw py::value_error("a column name must not be empty");
  Column c{0, text.substr(first, text.find_last_not_of(" \t") - first + 1)};
  // The reader holds a field's first kWholeValue characters: a longer name
  // could never be told from another.
  if (c.Name.size() > data::kWholeValue)
    throw py::value_error("a column name has at most " + std::to_string(data::kWholeValue) + " bytes");
  return c;
}

// `separator` and `decimal_comma` as ColumnSeparator and DecimalComma take
// them; what the program would take silently as blanks is an error here.
struct Format {
  data::RowFormat Row;
  bool Auto = false;
};

Format FormatOf(py::handle separator, bool decimalComma) {
  Format f;
  f.Row.DecimalComma = decimalComma;
  if (separator.is_none()) return f;
  config::SeparatorChoice c;
  if (py::isinstance<py::str>(separator)) c = config::SettleColumnSeparator(separator.cast<std::string>());
  if (c.Separator == 0 && !c.Auto)
    throw py::value_error("separator: None (blanks), one character other than a blank or '\"', \"tab\" or \"auto\"");
  if (c.Separator == ',' && decimalComma)
    throw py::value_error("DecimalComma = YES needs a ColumnSeparator other than a comma");
  f.Row.Separator = c.Separator, f.Auto = c.Auto;
  return f;
}

// `error_unit` as ErrorColumnUnit names it: true for units of y.
bool ErrorColumnInY(py::handle unit) {
  const config::ErrorUnit u = py::isinstance<py::str>(unit) ? config::SettleErrorColumnUnit(unit.cast<std::string>())
                                                           : config::ErrorUnit::Unsaid;
  if (u == config::ErrorUnit::Unsaid) throw py::value_error("error_unit: \"millionths\" or \"y\"");
  return u == config::ErrorUnit::Y;
}

// The rows as the program's start-up reads them: the format (AUTO chosen
// from the first rows), the named columns found in the header, the rows
// counted, then read; the file is opened anew, its first `omittedRows`
// lines skipped, before each of these.
int32_t ReadFileRows(data::TextInput& in, const std::string& path, int32_t omittedRows, Format& format,
                     const std::array<Column*, 3>& columns, Series& s) {
  OpenInput(in, path);
  data::SkipLines(in, omittedRows);
  data::ColumnLayout layout{columns[0]->Number, columns[1]->Number, columns[2]->Number, s.ErrorFill,
                            format.Row};
  const std::string missing = data::SettleLayout(
      in, omittedRows, format.Auto, {columns[0]->Name, columns[1]->Name, columns[2]->Name}, layout);
  if (!missing.empty()) {
    // The file's name as given, which may hold bytes that are not UTF-8.
    const py::str message = py::str("Column \"{}\" is not in {}").format(missing, SystemText(path));
    PyErr_SetObject(PyExc_ValueError, message.ptr());
    throw py::error_already_set();
  }
  columns[0]->Number = layout.X, columns[1]->Number = layout.Y, columns[2]->Number = layout.Error;
  format.Row = layout.Format;
  const int32_t bound = data::CountRows(in, format.Row);
  data::ReopenInput(in, omittedRows);
  s.X.assign(static_cast<std::size_t>(bound) + 1, 0);
  s.Y = s.E = s.X;
  return data::ReadRows(in, layout, s.X.data(), s.Y.data(), s.E.data(), bound);
}

Series Read(py::object name, const ColumnArg& xArg, const ColumnArg& yArg, const ColumnArg& errorArg,
            int32_t omittedRows, py::object errorValue, int32_t errorRatio, py::object separator,
            bool decimalComma, py::object errorUnit) {
  Column x = ColumnOf(xArg, 1), y = ColumnOf(yArg, 1), error = ColumnOf(errorArg, 0);
  Format format = FormatOf(separator, decimalComma);
  const bool inY = ErrorColumnInY(errorUnit);
  const std::string path = SystemName(name);
  auto in = std::make_unique<data::TextInput>();
  in->Name = path;
  Series s;
  s.ErrorRatio = std::max(errorRatio, 0);
  if (error.Number == 0 && error.Name.empty() && !errorValue.is_none())  // a named column is one
    s.ErrorFill = SettingReal(errorValue, "error_value");
  try {
    s.n = ReadFileRows(*in, path, omittedRows, format, {&x, &y, &error}, s);
    data::CloseInput(*in);
  } catch (...) {
    data::CloseInput(*in);
    throw;
  }
  s.ColumnError = error.Number;
  s.Separator = format.Row.Separator, s.DecimalComma = format.Row.DecimalComma;
  if (s.n < 2) throw py::value_error("The number of data is less than two!");
  s.X.resize(static_cast<std::size_t>(s.n) + 1), s.Y.resize(s.X.size()), s.E.resize(s.X.size());
  SortAsTheProgram(s);
  spline::CompleteErrors(s.n, s.Y.data(), s.E.data(), s.ColumnError, inY);
  if (s.ErrorRatio > 0) spline::EstimateErrorsFromScatter(s.n, s.X.data(), s.Y.data(), s.E.data(), s.ErrorRatio);
  config::SettingsRecord settings;
  settings.ColumnX = x.Number, settings.ColumnY = y.Number, settings.OmittedRows = omittedRows;
  settings.ColumnError = s.ColumnError, settings.ErrorRatio = s.ErrorRatio;
  s.Task = output::BuildParameterText(path, settings);
  return s;
}

// ---- The fitted spline --------------------------------------------------------------

// Rows 0..n of an engine array, uninitialised but for row 0 as the program
// allocates them: the fit writes every other row before it reads it, and a
// fit from Python should not pay for clearing 130 bytes a point first.
template <typename T>
struct Rows {
  std::unique_ptr<T[]> Block;
  std::size_t Size = 0;
  void Allocate(std::size_t rows, std::size_t perRow = 1) {
    Size = rows * perRow;
    Block.reset(new T[Size]);
    std::fill(Block.get(), Block.get() + perRow, T{});
  }
  T* data() const { return Block.get(); }
  Rows Take() {  // the block moves out, and this is empty
    Rows r;
    r.Block = std::move(Block), r.Size = std::exchange(Size, 0);
    return r;
  }
};

// The fit's scratch rows, lent to one fit at a time and kept for the next
// (as the program keeps its own from refit to refit): a fresh block each
// time would cost the fit its page faults again. The spare is taken and
// given back with the interpreter's lock held, which guards it.
Rows<double> SpareWorkspace;

Rows<double> LendWorkspace(int32_t n) {
  if (SpareWorkspace.Size >= spline::WorkspaceDoubles(n)) return SpareWorkspace.Take();
  Rows<double> r;
  r.Allocate(static_cast<std::size_t>(n) + 1, spline::WorkspaceDoubles(0));
  return r;
}

void GiveBack(Rows<double>& workspace) {
  if (workspace.Size > SpareWorkspace.Size) SpareWorkspace = workspace.Take();
}

struct Spline {
  std::shared_ptr<const Series> Data;  // shared with the Data it was fitted to: no copy
  Rows<spline::SplineSegment> A;
  Rows<double> SearchWorkspace;  // a UBRE or GCV search's own: its bands stay in it
  spline::FitRecordType Fit;
  spline::CovarianceBands Bands;
  int32_t MaxIteration = 1000;

  // The bands of M^-1 and T^-1 are made when first needed (a fit alone does
  // not pay for them), and once: several threads may ask for them at the
  // same time, and while the first makes them, without the interpreter's
  // lock, the others wait for it.
  struct Once {
    std::mutex Lock;
    std::atomic<bool> Made{false};
  };
  std::unique_ptr<Once> BandsOnce = std::make_unique<Once>();

  const spline::CovarianceBands& CovarianceBands() {
    Once& once = *BandsOnce;
    if (!once.Made.load(std::memory_order_acquire)) {
      py::gil_scoped_release free;  // first: who holds the lock never waits for the interpreter's
      const std::lock_guard<std::mutex> hold(once.Lock);
      if (!once.Made.load(std::memory_order_relaxed)) {
        spline::ComputeCovarianceBands(Data->n, Data->X.data(), Data->E.data(), Fit.Outcome.P, Bands);
        once.Made.store(true, std::memory_order_release);
      }
    }
    return Bands;
  }
};

// Arrays as the program's reader and error completion leave them: finite
// numbers, errors not negative, x increasing. Anything else would run the
// fit to its iteration limit or to a meaningless curve.
void CheckFitInput(const Series& s) {
  for (int32_t i = 1; i <= s.n; ++i) {
    if (!std::isfinite(s.X[i]) || !std::isfinite(s.Y[i]) || !std::isfinite(s.E[i]))
      throw py::value_error("x, y and err must be finite numbers");
    if (s.E[i] < 0) throw py::value_error("err must not be negative");
    if (i < s.n && !(s.X[i] < s.X[i + 1])) throw py::value_error("x must be strictly increasing");
  }
}

// A fit that used up its iterations is an error, as in the program; the
// exception carries the count as its second argument.
[[noreturn]] void IterationLimit(int32_t limit, int32_t iterations) {
  const std::string text = base::IntText(limit) + " iterations are not enough!";
  PyErr_SetObject(PyExc_RuntimeError, py::make_tuple(text, iterations).ptr());
  throw py::error_already_set();
}

// How a fit chooses p: the program's iteration (p is raised until the
// residual sum is n), a given p, the p of a given edf, or the p that
// minimises UBRE, GCV or CV.
struct FitChoice {
  enum { Iterated, GivenP, Searched } Way = Iterated;
  Real P = 0;
  spline::Criterion Kind = spline::Criterion::Residual;
  Real EdfTarget = 0;  // with EDF
};

// `smoothing` as SmoothingParameter and SmoothingCriterion take it: None,
// a criterion's name in any case ("residual", "UBRE", "GCV", "CV"), "EDF k",
// or a p. What the program would take silently as the residual iteration
// raises ValueError here, a k outside 2 < k < n as well.
FitChoice ChoiceOf(py::object smoothing, int32_t n) {
  FitChoice c;
  if (smoothing.is_none()) return c;
  if (!py::isinstance<py::str>(smoothing)) {
    c.Way = FitChoice::GivenP, c.P = SettingReal(smoothing, "smoothing");
    if (!(c.P >= 0)) throw py::value_error("smoothing p must be a real >= 0");
    return c;
  }
  config::CriterionChoice named;
  if (!config::CriterionOfText(smoothing.cast<std::string>(), named))
    throw py::value_error("smoothing: None, a p >= 0, \"residual\", \"UBRE\", \"GCV\", \"CV\" or \"EDF k\"");
  if (named.Kind == spline::Criterion::Edf && !(named.EdfTarget > 2 && named.EdfTarget < n))
    throw py::value_error("smoothing \"EDF k\" needs 2 < k < n, the number of points (" + base::IntText(n) + ")");
  c.Kind = named.Kind, c.EdfTarget = named.EdfTarget;
  if (c.Kind != spline::Criterion::Residual) c.Way = FitChoice::Searched;
  return c;
}

// A fit with all it works on. It touches no Python object, so it can run
// on a thread of its own, and should Ctrl-C leave it running on there, it
// still holds its arrays.
struct FitJob {
  Spline S;
  FitChoice Choice;
  Rows<double> R;      // the lent workspace (a search works in its own)
  bool Found = true;   // false: a search found no p to weigh
};

void RunFit(FitJob& job) {
  Spline& s = job.S;
  const Series& d = *s.Data;
  spline::FitRecordType& f = s.Fit;
  switch (job.Choice.Way) {
    case FitChoice::Iterated:
      f.Status = spline::FitSmoothingSpline(d.n, s.MaxIteration, d.X.data(), d.Y.data(), d.E.data(),
                                            job.R.data(), s.A.data(), &f.Outcome);
      return;
    case FitChoice::GivenP:
      f.FixedP = true;
      f.Status = spline::FitSmoothingSplineAt(d.n, job.Choice.P, d.X.data(), d.Y.data(), d.E.data(),
                                              job.R.data(), s.A.data(), &f.Outcome);
      return;
    case FitChoice::Searched: {
      spline::SearchResult r;
      f.Kind = job.Choice.Kind, f.EdfTarget = job.Choice.EdfTarget;
      job.Found = spline::SearchSmoothing(f.Kind, d.n, d.X.data(), d.Y.data(), d.E.data(),
                                          s.SearchWorkspace.data(), s.A.data(), s.Bands, r, f.EdfTarget);
      if (!job.Found) return;
      f.Status = r.Status, f.Outcome = r.Outcome, f.CriterionValue = r.Value, f.Fits = r.Fits;
      f.Outcome.Iterations = r.Fits;  // as the program counts a search
      s.BandsOnce->Made = true;       // the search's bands are those of its p
      return;
    }
  }
}

// Runs `work` on a thread of its own while this thread waits for it
// without the interpreter's lock, looking for signals every 50 ms, so that
// Ctrl-C interrupts a long fit at once (with KeyboardInterrupt, or what
// the signal's handler raises). The engine cannot be stopped midway: the
// interrupted work runs on to its end in the background, on what it
// shares, and its result is dropped. Where no thread can be started, the
// work runs here without interruption, as it always did.
void RunInterruptibly(std::function<void()> work) {
  auto task = std::make_shared<std::packaged_task<void()>>(std::move(work));
  std::future<void> done = task->get_future();
  try {
    std::thread([task] { (*task)(); }).detach();
  } catch (const std::system_error&) {
    py::gil_scoped_release free;
    (*task)();
  }
  for (;;) {
    {
      py::gil_scoped_release free;
      if (done.wait_for(std::chrono::milliseconds(50)) == std::future_status::ready) break;
    }
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
  }
  done.get();  // the engine's own exception, if it had one
}

Spline Fit(py::object x, py::object y, py::object err, long long maxIteration, py::object smoothing) {
  auto job = std::make_shared<FitJob>();
  Spline& s = job->S;
  if (py::isinstance<Series>(x)) {
    s.Data = x.cast<std::shared_ptr<Series>>();
  } else {
    if (y.is_none() || err.is_none()) throw py::value_error("fit(x, y, err) or fit(data)");
    auto d = std::make_shared<Series>();
    d->X = FromNumpy(x, "x"), d->Y = FromNumpy(y, "y"), d->E = FromNumpy(err, "err");
    d->n = static_cast<int32_t>(d->X.size()) - 1;
    d->FromArrays = true;
    if (d->Y.size() != d->X.size() || d->E.size() != d->X.size())
      throw py::value_error("x, y and err must have the same length");
    s.Data = std::move(d);
  }
  const int32_t n = s.Data->n;
  if (n < 2) throw py::value_error("The number of data is less than two!");
  CheckFitInput(*s.Data);
  s.MaxIteration = CheckedSetting(maxIteration, config::Key::MaxIteration, "max_iteration");
  job->Choice = ChoiceOf(smoothing, n);
  s.A.Allocate(static_cast<std::size_t>(n) + 1);
  if (job->Choice.Way == FitChoice::Searched)
    s.SearchWorkspace.Allocate(static_cast<std::size_t>(n) + 1, spline::WorkspaceDoubles(0));
  else
    job->R = LendWorkspace(n);
  RunInterruptibly([job] { RunFit(*job); });
  GiveBack(job->R);
  if (!job->Found) throw py::value_error("no smoothing to choose: every error is zero");
  if (s.Fit.Status == spline::FitStatus::IterationLimit) IterationLimit(s.MaxIteration, s.Fit.Outcome.Iterations);
  return std::move(s);
}

// ---- Results ---------------------------------------------------------------------

// The smallest and the largest y, as the program keeps them of its data.
std::pair<Real, Real> YLimits(const Series& d) {
  const auto [lo, hi] = std::minmax_element(d.Y.begin() + 1, d.Y.end());
  return {*lo, *hi};
}

// What the report reads of a spline: its data, segments, fit and bands
// (made first: that lets other threads run).
output::ReportInputs ReportOf(Spline& s) {
  const spline::CovarianceBands& bands = s.CovarianceBands();
  const Series& d = *s.Data;
  output::ReportInputs in;
  in.N = d.n, in.X = d.X.data(), in.Y = d.Y.data(), in.Err = d.E.data(), in.A = s.A.data();
  std::tie(in.YMin, in.YMax) = YLimits(d);
  in.Fit = &s.Fit, in.Bands = &bands;
  in.Task = d.Task;
  in.Errors = output::ErrorSourceName(d.ErrorRatio > 0, d.ColumnError, d.ErrorFill);
  in.Ratio = d.ErrorRatio;
  return in;
}

py::object NumberOrNone(const output::ReportNumber& v) {
  return v.Reason ? py::object(py::none()) : LongDouble(v.Value);
}

// A threshold of the marks' significance as MarkSignificance takes it:
// None (every mark) or a real > 0.
long double Threshold(py::object minZ) {
  if (minZ.is_none()) return 0;
  const long double t = SettingReal(minZ, "min_z");
  if (!(t > 0) || !std::isfinite(t)) throw py::value_error("min_z must be None or a finite real > 0");
  return t;
}

// The marks with their z, those below the threshold left out.
std::vector<output::ReportMark> MarksFrom(Spline& s, py::object minZ, bool withZ = true) {
  const long double t = Threshold(minZ);
  output::ReportInputs in = ReportOf(s);
  in.WithZ = withZ || t > 0;
  std::vector<output::ReportMark> marks = output::FindReportMarks(in);
  std::erase_if(marks, [t](const output::ReportMark& m) { return m.Z < t; });
  return marks;
}

py::list Marks(Spline& s, py::object minZ) {
  py::list marks;
  for (const output::ReportMark& m : MarksFrom(s, minZ, false))  // the tuples hold no z
    marks.append(py::make_tuple(m.Kind, LongDouble(m.X), LongDouble(m.Y), NumberOrNone(m.SigmaX),
                                NumberOrNone(m.SigmaY)));
  return marks;
}

py::list Significance(Spline& s, py::object minZ) {
  py::list z;
  for (const output::ReportMark& m : MarksFrom(s, minZ)) z.append(LongDouble(m.Z));
  return z;
}

py::object Report(Spline& s, py::object minZ) {
  output::ReportInputs in = ReportOf(s);
  in.Threshold = Threshold(minZ);
  const std::string text =
      output::BuildReportText(output::GatherReport(in, output::FindReportMarks(in), {}, {}));
  return py::module_::import("json").attr("loads")(SystemText(text));  // the task holds a file name
}

// The program's result file for this spline as its first fit writes it: the
// curve walked at the scale of the first view of the data.
void WriteOut(Spline& s, py::object name, long long digits, bool curve, bool calculus,
              py::object task, py::object minZ) {
  const Series& d = *s.Data;
  const long double threshold = Threshold(minZ);
  std::vector<long double> z;
  if (threshold > 0) z = spline::MarkSignificances(d.n, d.X.data(), s.A.data(), s.CovarianceBands());
  const std::string path = SystemName(name);
  output::SplineFileContent c;
  c.N = d.n, c.X = d.X.data(), c.Err = d.E.data(), c.A = s.A.data();
  const auto [yMin, yMax] = YLimits(d);
  c.Walk = spline::InitialWalkScale(d.n, d.X.data(), yMin, yMax);
  c.NumberWidth = config::SettleNumberWidth(
      std::to_string(CheckedSetting(digits, config::Key::NumberDigits, "number_digits")));
  c.WriteCurve = curve, c.ShowCalculus = calculus;
  c.Task = task.is_none() ? d.Task : SystemName(task);
  if (threshold > 0) c.Sieve = spline::MarkSieve{&z, threshold, 0};
  try {
    output::WriteSplineFile(c, path);  // with the lock held: one file is written at a time
  } catch (...) {
    // A failed write leaves the helper threads waiting and the unfinished
    // file open: both are ended, and the file dropped (the old one stays).
    output::AbandonSplineFile();
    throw;
  }
}

// ---- The figure -------------------------------------------------------------------

// `size` as FigureSize takes it: (width, height) in millimetres, each within
// its bounds.
std::pair<long double, long double> FigureSizeOf(py::handle size) {
  const config::KeyValues& k = config::Spec(config::Key::FigureSize).Values;
  const std::string rule = "size must be (width, height) in millimetres, each " + base::IntText(k.Low) + " to " +
                           base::IntText(k.High) + ", as FigureSize in kurvex.cfg";
  if (!py::isinstance<py::sequence>(size) || py::isinstance<py::str>(size) || py::len(size) != 2)
    throw py::value_error(rule);
  const py::sequence wh = py::reinterpret_borrow<py::sequence>(size);
  const long double w = SettingReal(wh[0], "size"), h = SettingReal(wh[1], "size");
  if (!(w >= k.Low && w <= k.High && h >= k.Low && h <= k.High)) throw py::value_error(rule);
  return {w, h};
}

// The figure's file as the program writes it (replaced whole), let go
// afterwards, written or not: this is no run that would hold it. The
// interpreter's lock stays held: the engine has one record of the file
// being written.
void WriteFigureFile(const output::FigureInputs& f, const std::string& path) {
  output::ReportSink sink;
  try {
    output::OpenReportFile(sink, path);
    output::WriteFigure(sink, f);
    output::CloseReportFile(sink);
  } catch (...) {
    output::ReleaseReportFile();
    throw;
  }
  output::ReleaseReportFile();
}

// The program's figure of this fit, as FigureFileName draws it; min_z 0
// (or None) draws every mark, as the program without MarkSignificance.
// Error bars need each point's own error, from arrays or an error column:
// FigureErrorBars draws a column's only, not one value for all or an
// estimate.
void Figure(Spline& s, py::object name, const std::string& xLabel, const std::string& yLabel, bool errorBars,
            py::object size, long long dpi, bool labels, py::object minZ) {
  const Series& d = *s.Data;
  output::FigureInputs f;
  std::tie(f.WidthMm, f.HeightMm) = FigureSizeOf(size);
  f.Dpi = CheckedSetting(dpi, config::Key::FigureDPI, "dpi");
  const bool every = !minZ.is_none() && SettingReal(minZ, "min_z") == 0;
  // Made before the file is opened: making the bands lets go of the
  // interpreter's lock, which guards the file's record.
  const std::vector<output::ReportMark> marks = MarksFrom(s, every ? py::none() : minZ, labels);
  const std::string path = SystemName(name);
  f.N = d.n, f.X = d.X.data(), f.Y = d.Y.data(), f.Err = d.E.data(), f.A = s.A.data();
  f.Bands = &s.CovarianceBands();
  f.ErrorBars = errorBars && (d.FromArrays || std::string(output::ErrorSourceName(d.ErrorRatio > 0, d.ColumnError,
                                                                                  d.ErrorFill)) == "column");
  f.Marks = output::FigureMarksOf(marks, 0);  // those below min_z are left out already
  f.Labels = labels;
  f.XLabel = xLabel, f.YLabel = yLabel;
  f.Format = output::FigureFormatOf(path);
  WriteFigureFile(f, path);
}

// ---- Evaluation -----------------------------------------------------------------

// A real gives a numpy.longdouble, an array an array of its shape.
py::object ShapedAs(const RealArray& x, RealArray out) {
  return x.ndim() == 0 ? py::object(out[py::tuple()]) : py::object(std::move(out));
}

template <typename Pick>
py::object Evaluate(const Spline& s, py::object at, Pick pick) {
  const RealArray x = RealArray::ensure(at);
  if (!x) throw py::value_error("x must be a real or an array of reals");
  RealArray out(std::vector<py::ssize_t>(x.shape(), x.shape() + x.ndim()));
  const Real* in = x.data();
  Real* o = out.mutable_data();
  for (py::ssize_t i = 0; i < x.size(); ++i) {
    spline::Evaluation e;
    spline::EvaluateSpline(s.Data->n, s.Data->X.data(), s.A.data(), in[i], e);
    o[i] = pick(e);
  }
  return ShapedAs(x, std::move(out));
}

py::object Call(const Spline& s, py::object x, int nu) {
  switch (nu) {
    case 0: return Evaluate(s, x, [](const spline::Evaluation& e) { return e.Value; });
    case 1: return Evaluate(s, x, [](const spline::Evaluation& e) { return e.D1; });
    case 2: return Evaluate(s, x, [](const spline::Evaluation& e) { return e.D2; });
    case 3: return Evaluate(s, x, [](const spline::Evaluation& e) { return e.D3; });
    default: throw py::value_error("nu: 0 (value) to 3 (third derivative)");
  }
}

// The sigmas of value and curvature at x. NaN has none. At -inf or +inf,
// on the tangent line beyond an end, where the spline's value is infinite
// too, they are their limits: the curvature's 0, as anywhere on that line,
// and the value's grows without bound unless the end slope is certain
// (`endSlope` its sigma).
spline::PointSigmas SigmasAtAnyX(const spline::CovarianceBands& b, Real x, Real endSlope) {
  if (std::isnan(x)) return {NAN, NAN};
  if (!std::isinf(x)) return spline::SigmasAt(b, x);
  spline::PointSigmas end = spline::SigmasAt(b, x < 0 ? b.X[1] : b.X[b.n]);
  if (endSlope > 0) end.Value = INFINITY;
  return end;
}

// The slope's sigma at every x in one pass: NaN has none, and beyond the
// ends it is the end slope's (the tangent line's).
std::vector<Real> SlopeSigmas(const spline::CovarianceBands& b, const Real* x, py::ssize_t count) {
  std::vector<Real> at(x, x + count);
  for (Real& v : at) v = std::isnan(v) ? b.X[1] : std::clamp(v, b.X[1], b.X[b.n]);
  at.push_back(b.X[1]), at.push_back(b.X[b.n]);  // the ends, for the value at -inf and inf
  std::vector<Real> sigma = spline::SlopeSigmasAt(b, at);
  for (py::ssize_t i = 0; i < count; ++i)
    if (std::isnan(x[i])) sigma[i] = NAN;
  return sigma;
}

py::object Sigma(Spline& s, py::object at, int nu) {
  if (nu < 0 || nu > 2) throw py::value_error("nu: 0 (value), 1 or 2 (derivatives)");
  const spline::CovarianceBands& b = s.CovarianceBands();
  const RealArray x = RealArray::ensure(at);
  if (!x) throw py::value_error("x must be a real or an array of reals");
  RealArray out(std::vector<py::ssize_t>(x.shape(), x.shape() + x.ndim()));
  const py::ssize_t count = x.size();
  const bool infinite = std::any_of(x.data(), x.data() + count, [](Real v) { return std::isinf(v); });
  const std::vector<Real> slope =
      b.Defined && (nu == 1 || (nu == 0 && infinite)) ? SlopeSigmas(b, x.data(), count) : std::vector<Real>{};
  for (py::ssize_t i = 0; i < count; ++i) {
    const Real v = x.data()[i];
    const Real endSlope = slope.empty() || !std::isinf(v) ? 0 : slope[v < 0 ? count : count + 1];
    const spline::PointSigmas p = SigmasAtAnyX(b, v, endSlope);
    out.mutable_data()[i] = !b.Defined ? NAN : nu == 0 ? p.Value : nu == 1 ? slope[i] : p.D2;
  }
  return ShapedAs(x, std::move(out));
}

py::array Segments(const Spline& s) {
  py::list fields;
  for (const char* name : {"a", "b", "c", "d", "int"}) fields.append(py::make_tuple(name, "g"));
  const py::dtype type = py::dtype::from_args(fields);
  static_assert(sizeof(spline::SplineSegment) == 5 * sizeof(Real), "five reals a record");
  // The engine's element 0 is unused: row i is the segment from x[i].
  py::array out(type, std::vector<py::ssize_t>{static_cast<py::ssize_t>(s.A.Size - 1)});
  std::memcpy(out.mutable_data(), s.A.data() + 1, (s.A.Size - 1) * sizeof(spline::SplineSegment));
  return out;
}

RealArray ScaleErrors(py::object err, const std::string& keys) {
  std::vector<Real> e = FromNumpy(err, "err");
  spline::ResetErrorScaling();
  for (char key : keys) spline::ScaleErrors(static_cast<unsigned char>(key), static_cast<int32_t>(e.size()) - 1, e.data());
  spline::ResetErrorScaling();
  return ToNumpy(e);
}

// ---- Signatures ----------------------------------------------------------------

// What Python shows of a function's parameters (inspect.signature, help()):
// CPython reads it from the head of a builtin's docstring, "name(params)"
// and a line "--". It is made here from the very py::arg list that pybind11
// binds, so that the two cannot differ; a method's first parameter is self.
std::string Parameter(const py::arg& a) { return a.name; }
std::string Parameter(const py::arg_v& a) {
  return std::string(a.name) + "=" + py::repr(a.value).cast<std::string>();
}
std::string Parameter(const py::kw_only&) { return "*"; }

template <typename... Args>
std::string Signed(const char* name, bool method, const char* doc, const Args&... args) {
  std::string params = method ? "self" : "";
  ((params += (params.empty() ? "" : ", ") + Parameter(args)), ...);
  return std::string(name) + "(" + params + ")\n--\n\n" + doc;
}

// m.def or cls.def with that signature heading the docstring (pybind11
// copies the text).
template <typename Scope, typename F, typename... Args>
void Def(Scope& scope, const char* name, F&& f, const char* doc, const Args&... args) {
  constexpr bool method = !std::is_same_v<Scope, py::module_>;
  scope.def(name, std::forward<F>(f), args..., Signed(name, method, doc, args...).c_str());
}

}  // namespace
}  // namespace kurvexpy

// The compiled part of the package kurvex: python/kurvex/__init__.py
// imports its names and documents the package.
PYBIND11_MODULE(_kurvex, m) {
  using namespace kurvexpy;
  m.doc() = "The engine of the package kurvex: import kurvex.";
  m.attr("__version__") = KURVEX_VERSION;  // the project's version, from CMake
  py::options options;
  options.disable_function_signatures();  // each docstring opens with its own, from Def
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const EngineStop& e) {
      const bool io = e.Status == base::kExitIoFailure;
      const py::str message = py::reinterpret_steal<py::str>(PyUnicode_DecodeFSDefault(e.what()));  // it may name a file
      if (!message) return;
      PyErr_SetObject(io ? PyExc_OSError : PyExc_ValueError, io ? py::make_tuple(e.Errno, message).ptr() : message.ptr());
    }
  });

  py::class_<Series, std::shared_ptr<Series>>(m, "Data", "A data set as read: sorted by x, errors completed in units of y.")
      .def_property_readonly("x", [](const Series& s) { return ToNumpy(s.X); }, "x, increasing")
      .def_property_readonly("y", [](const Series& s) { return ToNumpy(s.Y); }, "y of each x")
      .def_property_readonly("err", [](const Series& s) { return ToNumpy(s.E); },
                             "the error of each point, in units of y, as the fit uses it")
      .def_property_readonly("n", [](const Series& s) { return s.n; }, "the number of points")
      .def_property_readonly("task", [](const Series& s) { return SystemText(s.Task); },
                             "the task text of the program's result files for this read (its file name "
                             "decoded as os.fsdecode decodes it)")
      .def_property_readonly("separator",
                             [](const Series& s) { return s.Separator == 0 ? py::object(py::none()) : py::str(&s.Separator, 1); },
                             "what separated the values of a row, as given or as \"auto\" chose it: None for blanks, "
                             "else the character (\"\\t\" for a tab)")
      .def_property_readonly("decimal_comma", [](const Series& s) { return s.DecimalComma; },
                             "whether a comma between digits was the decimal point, as given or as \"auto\" chose it");

  Def(m, "read", &Read,
      R"(Reads a data file as the program does; `path` is a str, bytes or a path object.

Columns are numbered from 1, or named by a str: the column of the first
field equal to it (blanks and quotes around a field removed) in the first
row after the omitted ones that holds one (ValueError 'Column "NAME" is not
in PATH' when none does). `error` is the column of each point's error (0:
none), in millionths of the range of y, or in units of y with
error_unit="y" ("millionths" or "y", any case, as ErrorColumnUnit);
`error_value` every point's error in units of y when there is no error
column (None: a millionth of the range; a float is taken by its decimal
digits, as kurvex.cfg would give it), `error_ratio` > 0 estimates the
errors from the scatter of that many neighbours on each side. The first
`omitted_rows` lines are skipped; rows without numbers in the x and y
columns are dropped. Rows are sorted by x.

`separator`, as ColumnSeparator: None for values separated by blanks, one
printable ASCII character other than a blank or '"' for fields separated by
it (CSV, with quotes), "tab", or "auto" (any case) to choose from the first rows, as the
program does (Data.separator and Data.decimal_comma tell the choice).
decimal_comma=True reads a comma between digits as the decimal point (not
with separator ","). A gzip file is read as its text.

Raises ValueError with the program's message for fewer than two rows, an x
that occurs twice or a file that became shorter while it was read, OSError
when the file cannot be read.)",
      py::arg("path"), py::arg("x") = 1, py::arg("y") = 2, py::arg("error") = 0, py::arg("omitted_rows") = 0,
      py::arg("error_value") = py::none(), py::arg("error_ratio") = 0, py::arg("separator") = py::none(),
      py::arg("decimal_comma") = false, py::arg("error_unit") = "millionths");

  py::class_<Spline> type(m, "Spline", "A fitted cubic smoothing spline.");
  type.def_property_readonly("status", [](const Spline& s) { return static_cast<int>(s.Fit.Status); },
                             "0 converged, 1 the straight-line limit")
      .def_property_readonly("iterations", [](const Spline& s) { return s.Fit.Outcome.Iterations; },
                             "passes of the iteration (0 for a given p; fits of a search for UBRE, GCV)")
      .def_property_readonly("p", [](const Spline& s) { return LongDouble(s.Fit.Outcome.P); }, "the smoothing parameter")
      .def_property_readonly("lam", [](const Spline& s) { return LongDouble(s.Fit.Outcome.P / 2); },
                             "lambda = p/2 of sum(((y-g)/err)^2) + lambda*integral(g''^2)")
      .def_property_readonly("chi2", [](const Spline& s) { return LongDouble(s.Fit.Outcome.ResidualSum); },
                             "the weighted residual sum")
      .def_property_readonly("edf", [](Spline& s) { return LongDouble(s.CovarianceBands().Edf); },
                             "effective degrees of freedom, the trace of the influence matrix")
      .def_property_readonly("segments", &Segments,
                             "per knot a + b t + c t^2 + d t^3 (t = x - x[i]) and int, the integral from x[0]");
  Def(type, "__call__", &Call, "The value (nu = 0) or a derivative (1 to 3) at x, as the program evaluates it.",
      py::arg("x"), py::arg("nu") = 0);
  Def(type, "integral", [](const Spline& s, py::object x) {
        return Evaluate(s, x, [](const spline::Evaluation& e) { return e.Int; });
      }, "The integral from the first x to x.", py::arg("x"));
  Def(type, "marks", &Marks,
      "The minima, maxima and points of inflection as kurvex.out lists them: (kind, x, y, sigma_x, sigma_y); "
      "with min_z, only those whose significance z is at least min_z, as MarkSignificance lists them.",
      py::arg("min_z") = py::none());
  Def(type, "significance", &Significance,
      "The significance z of each mark of marks(min_z), in its order: how many sigmas the derivative that "
      "changes sign there stands from 0 on each side, the smaller side (0 when it cannot be told).",
      py::arg("min_z") = py::none());
  Def(type, "sigma", &Sigma,
      "The Bayesian pointwise standard deviation of the value (nu = 0), slope (1) or curvature (2) at x: NaN "
      "at NaN; at -inf and inf their limits on the tangent line beyond the end (inf, the end slope's, 0). "
      "The slope's takes one pass over the knots per call: ask for many x in one array.",
      py::arg("x"), py::arg("nu") = 0);
  Def(type, "report", &Report,
      "The analysis report as the program writes it, as a dict; min_z as MarkSignificance, which marks each "
      "mark \"significant\" or not.",
      py::arg("min_z") = py::none());
  Def(type, "write_out", &WriteOut,
      "Writes the program's kurvex.out for this spline as its first fit writes it, byte for byte; "
      "number_digits 1 to 20, as NumberDigits; `task` defaults to the data's task text; min_z lists only "
      "the marks whose z reaches it, as MarkSignificance.",
      py::arg("path"), py::arg("number_digits") = 7, py::arg("write_curve") = true,
      py::arg("show_calculus") = true, py::arg("task") = py::none(), py::arg("min_z") = py::none());
  Def(type, "figure", &Figure,
      R"(Writes the program's figure of this fit, as FigureFileName draws it: the
points, the curve, its +-2 sigma band and the marks with +-sigma_x. The
ending of `path` chooses the format: .svg, .png, anything else PDF.
`xlabel` and `ylabel` name the axes; error_bars=True draws each point's
error when each point has its own (fit(x, y, err), or read() from an error
column, as FigureErrorBars); `size` is (width, height) in millimetres, each
20 to 1000, as FigureSize; `dpi` 10 to 2400 is a PNG's, as FigureDPI;
labels=True labels the marks with their x and sigma_x, as FigureLabels;
min_z draws only the marks whose z reaches it, as MarkSignificance (0:
all). The file is replaced whole. Raises ValueError for an option outside
these bounds, OSError when the file cannot be written.)",
      py::arg("path"), py::kw_only(), py::arg("xlabel") = "X", py::arg("ylabel") = "Y",
      py::arg("error_bars") = false, py::arg("size") = py::make_tuple(160, 100), py::arg("dpi") = 300,
      py::arg("labels") = false, py::arg("min_z") = 0);

  Def(m, "fit", &Fit,
      R"(Fits the cubic smoothing spline to x (strictly increasing), y and err (the
errors in units of y, not negative; all finite), or to a Data from read(). `smoothing`: None for the
program's iteration (the weighted residual sum equals n), a p >= 0 to use
that p (a float by its decimal digits, as in kurvex.cfg), "UBRE", "GCV" or "CV" (any case) to choose p by
that criterion, "EDF k" (or "EDF=k") for the p whose edf is k, 2 < k < n, "residual" as None. max_iteration is 10 to 32000, as MaxIteration; a fit that uses up
max_iteration passes raises RuntimeError(message, iterations). Ctrl-C interrupts a fit at once.)",
      py::arg("x"), py::arg("y") = py::none(), py::arg("err") = py::none(), py::arg("max_iteration") = 1000,
      py::arg("smoothing") = py::none());

  Def(m, "scale_errors", &ScaleErrors,
      R"(The errors after the factor keys in `keys`, pressed in turn: "0" halves them,
"1" multiplies by 1.1, "2" to "9" by the digit, "`" by 1.01, "-" undoes the
latest factor key of the string.)",
      py::arg("err"), py::arg("keys"));
}
