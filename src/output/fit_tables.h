// The tables that many runs share: a CSV file with one row per fit
// (FitTableFileName) and one with one row per mark (MarkTableFileName).
// Their numbers are the report's, gathered alike (analysis_report.h) and
// written alike (ReportReal: 21 significant digits); a number the report
// gives as null is an empty field. The rows of a fit are added to each
// table at once, under a lock (base/append_file.h), so that any number of
// runs can add theirs to the same tables at the same time.
#pragma once
#include <cstdint>
#include <string>

#include "output/report_file.h"

namespace output {

// A field of a CSV row (RFC 4180): in double quotes, each quote doubled,
// when it holds a comma, a double quote or a line end; else as it is.
std::string CsvField(const std::string& text);

// The header lines, with their line ends.
extern const char* const kFitTableHeader;
extern const char* const kMarkTableHeader;

// The fit's row: the data file, then the report's task, status,
// iterations, n, criterion, p, lambda, chi2, edf, base_error,
// average_deviation and the number of its marks.
std::string FitTableRow(const std::string& dataFile, const ReportContent& c);
// One row per mark of the report, in its order: the data file, the fit's
// number in its run (from 1), then kind, x, sigma_x, y, sigma_y, d1, d2, d3,
// z, and significant (true or false; empty when no MarkSignificance is set).
std::string MarkTableRows(const std::string& dataFile, int32_t fit, const ReportContent& c);

// Adds the fit's rows to the tables the settings name (none: nothing).
void AddToTables(const std::string& dataFile, int32_t fit, const ReportContent& c);

}  // namespace output
