"""Builds the package kurvex with the project's own CMake build: a private
build tree, configured as `cmake -S . -B build` would be but without the
tests, builds the module target alone, so that the module is compiled with
exactly the program's flags and its numbers are the program's to the last
bit. The version is the one of project() in CMakeLists.txt."""
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

TOP = Path(__file__).resolve().parent


def project_version():
    cmake = (TOP / "CMakeLists.txt").read_text()
    return re.search(r"^project\(KurvexAnalyzer VERSION ([0-9.]+)", cmake, re.M).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        tree = Path(self.build_temp).resolve() / "cmake"
        configure = ["cmake", "-S", str(TOP), "-B", str(tree), "-DKURVEX_TESTS=OFF",
                     f"-DPython3_EXECUTABLE={sys.executable}"]
        if shutil.which("ninja") and not (tree / "CMakeCache.txt").exists():
            configure += ["-G", "Ninja"]
        build = ["cmake", "--build", str(tree), "--target", "kurvex_python"]
        if "CMAKE_BUILD_PARALLEL_LEVEL" not in os.environ:
            build += ["--parallel", str(os.cpu_count() or 1)]
        subprocess.run(configure, check=True)
        subprocess.run(build, check=True)
        # The build tree assembles the package in python/module/kurvex.
        built = tree / "python" / "module" / self.get_ext_filename(ext.name)
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(built, target)


setup(
    version=project_version(),
    ext_modules=[Extension("kurvex._kurvex", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    # setuptools' own build folder would be the top folder's build/, which
    # is the CMake build tree of the README: keep to a folder inside it.
    options={"build": {"build_base": "build/python-package"}},
)
