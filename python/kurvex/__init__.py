"""KurvexAnalyzer's engine: cubic smoothing splines of measured curves.

The program's own reader, fit (Reinsch's method: the smoothing parameter p is
raised until the weighted residual sum equals the number of points, or
chosen by UBRE, GCV, CV or a number of degrees of freedom, or given), evaluation, extrema and points of
inflection, Bayesian pointwise uncertainties and result files, on numpy
arrays of numpy.longdouble (the 80-bit extended real; float64 input is
widened exactly). The numbers are the program's to the last bit.

    data = kurvex.read("titration.dat", x=2, y=3, omitted_rows=7, error_value=0.02)
    s = kurvex.fit(data)
    for kind, x, y, sigma_x, sigma_y in s.marks(): ...
    s.write_out("kurvex.out", task=data.task)   # the program's kurvex.out, byte for byte

__version__ is the program's version.
"""
from ._kurvex import Data, Spline, __version__, fit, read, scale_errors

__all__ = ["Data", "Spline", "fit", "read", "scale_errors"]

# Everything is used as kurvex.NAME, and is shown so.
for _name in __all__:
    globals()[_name].__module__ = __name__
del _name
