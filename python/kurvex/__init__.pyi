from os import PathLike
from typing import Any, overload

import numpy as np
from numpy.typing import ArrayLike, NDArray

__version__: str

_Path = str | bytes | PathLike[str] | PathLike[bytes]
# A real given as a setting: a float or a str by its decimal digits, as
# kurvex.cfg gives it, a numpy real as it is.
_Setting = float | str | np.floating[Any]
_Reals = NDArray[np.longdouble]
_Mark = tuple[str, np.longdouble, np.longdouble, np.longdouble | None, np.longdouble | None]

class Data:
    @property
    def x(self) -> _Reals: ...
    @property
    def y(self) -> _Reals: ...
    @property
    def err(self) -> _Reals: ...
    @property
    def n(self) -> int: ...
    @property
    def task(self) -> str: ...
    # What separated the values (None: blanks) and whether a comma between
    # digits was the decimal point: as given to read(), or as "auto" chose.
    @property
    def separator(self) -> str | None: ...
    @property
    def decimal_comma(self) -> bool: ...

class Spline:
    @property
    def status(self) -> int: ...
    @property
    def iterations(self) -> int: ...
    @property
    def p(self) -> np.longdouble: ...
    @property
    def lam(self) -> np.longdouble: ...
    @property
    def chi2(self) -> np.longdouble: ...
    @property
    def edf(self) -> np.longdouble: ...
    @property
    def segments(self) -> NDArray[np.void]: ...
    @overload
    def __call__(self, x: float | np.floating[Any], nu: int = 0) -> np.longdouble: ...  # type: ignore[misc]
    @overload
    def __call__(self, x: ArrayLike, nu: int = 0) -> _Reals: ...
    @overload
    def integral(self, x: float | np.floating[Any]) -> np.longdouble: ...  # type: ignore[misc]
    @overload
    def integral(self, x: ArrayLike) -> _Reals: ...
    def marks(self, min_z: float | None = None) -> list[_Mark]: ...
    def significance(self, min_z: float | None = None) -> list[np.longdouble]: ...
    @overload
    def sigma(self, x: float | np.floating[Any], nu: int = 0) -> np.longdouble: ...  # type: ignore[misc]
    @overload
    def sigma(self, x: ArrayLike, nu: int = 0) -> _Reals: ...
    def report(self, min_z: float | None = None) -> dict[str, Any]: ...
    def write_out(
        self,
        path: _Path,
        number_digits: int = 7,
        write_curve: bool = True,
        show_calculus: bool = True,
        task: _Path | None = None,
        min_z: float | None = None,
    ) -> None: ...
    def figure(
        self,
        path: _Path,
        *,
        xlabel: str = "X",
        ylabel: str = "Y",
        error_bars: bool = False,
        size: tuple[float, float] = (160, 100),
        dpi: int = 300,
        labels: bool = False,
        min_z: float = 0,
    ) -> None: ...

def read(
    path: _Path,
    x: int | str = 1,
    y: int | str = 2,
    error: int | str = 0,
    omitted_rows: int = 0,
    error_value: _Setting | None = None,
    error_ratio: int = 0,
    separator: str | None = None,
    decimal_comma: bool = False,
    error_unit: str = "millionths",
) -> Data: ...
def fit(
    x: Data | ArrayLike,
    y: ArrayLike | None = None,
    err: ArrayLike | None = None,
    max_iteration: int = 1000,
    smoothing: float | np.floating[Any] | str | None = None,
) -> Spline: ...
def scale_errors(err: ArrayLike, keys: str) -> _Reals: ...
