"""The package as a type checker and a packager see it: the stubs beside it
name what the module has, with the parameters it takes, its version is the
one of the top CMakeLists.txt, and cmake --install puts it where the
interpreter looks."""
import ast
import inspect
import os
import re
import subprocess
import sys
from pathlib import Path

import pytest

import kurvex

PACKAGE = Path(kurvex.__file__).parent
KIND = {"posonlyargs": inspect.Parameter.POSITIONAL_ONLY, "args": inspect.Parameter.POSITIONAL_OR_KEYWORD,
        "kwonlyargs": inspect.Parameter.KEYWORD_ONLY}


def public(names):
    return {n for n in names if not n.startswith("_")}


def stub_parameters(function):
    """(name, kind, default) of each parameter of a stubbed function."""
    a = function.args
    positional = a.posonlyargs + a.args
    defaults = [None] * (len(positional) - len(a.defaults)) + a.defaults + a.kw_defaults
    kinds = [KIND[k] for k in KIND for _ in getattr(a, k)]
    return [(p.arg, kind, inspect.Parameter.empty if d is None else ast.literal_eval(d))
            for p, kind, d in zip(positional + a.kwonlyargs, kinds, defaults)]


def test_stubs_name_every_public_name_with_its_parameters():
    assert (PACKAGE / "py.typed").is_file()
    stubs = ast.parse((PACKAGE / "__init__.pyi").read_text())
    top = {n.name: n for n in stubs.body if isinstance(n, (ast.FunctionDef, ast.ClassDef))}
    assert public(top) == public(vars(kurvex))
    functions = [(getattr(kurvex, name), f) for name, f in top.items() if isinstance(f, ast.FunctionDef)]
    for name, c in top.items():
        if isinstance(c, ast.ClassDef):
            members = [m for m in c.body if isinstance(m, ast.FunctionDef)]
            assert public(m.name for m in members) == public(vars(getattr(kurvex, name))), name
            functions += [(getattr(getattr(kurvex, name), m.name), m) for m in members
                          if not any(getattr(d, "id", "") == "property" for d in m.decorator_list)]
    for runtime, stub in functions:  # each overload of a name is held against the one runtime signature
        assert stub_parameters(stub) == [(p.name, p.kind, p.default)
                                          for p in inspect.signature(runtime).parameters.values()], stub.name


def test_version_is_the_projects():
    cmake = (Path(os.environ["KURVEX_SOURCE"]) / "CMakeLists.txt").read_text()
    assert kurvex.__version__ == re.search(r"^project\(KurvexAnalyzer VERSION ([0-9.]+)", cmake, re.M).group(1)


@pytest.mark.parametrize("prefix", ["/usr", "/usr/local", "~/.local", "/opt/kurvex"])
def test_install_puts_the_package_where_the_interpreter_looks(tmp_path, prefix):
    build = PACKAGE.parents[2]
    if not (build / "cmake_install.cmake").is_file():
        pytest.skip("the package is not the one of a build tree")
    env = dict(os.environ, HOME=str(tmp_path), DESTDIR=str(tmp_path / "root"))
    prefix = prefix.replace("~", str(tmp_path))
    searched = subprocess.run([sys.executable, "-c", "import site; print(*site.getsitepackages(), site.getusersitepackages())"],
                              env=env, capture_output=True, text=True, check=True).stdout.split()
    said = subprocess.run(["cmake", "--install", str(build), "--prefix", prefix], env=env, capture_output=True,
                          text=True, check=True).stdout
    # /usr/local's folder lies below /usr too, but is not /usr's.
    below = [f for f in searched if f.startswith(prefix + "/lib/")]
    folder = below[0] if below else re.search(re.escape(env["DESTDIR"]) + r"(/\S+), which \S+ does not search", said).group(1)
    assert folder.startswith(prefix + "/lib/")
    assert {f.name.split(".")[0] for f in (tmp_path / "root" / folder[1:] / "kurvex").iterdir()} == \
        {"__init__", "_kurvex", "py"}
