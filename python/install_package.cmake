# Installs the package kurvex, run by `cmake --install` with the prefix of
# that install. The interpreter that built the module tells where it looks
# for packages: of its site folders (its own, then the user's) the one
# nearest below the prefix, so that /usr gives /usr/lib/python3/dist-packages
# and not /usr/local's folder, which lies below /usr too; /usr/local gives
# /usr/local/lib/python3.X/dist-packages and ~/.local the user's
# site-packages. Below any other prefix it is the interpreter's usual layout
# there, which it does not search by itself. DESTDIR is put before the
# folder by file(INSTALL), as for every other file.
# Set before: KURVEX_PYTHON, KURVEX_MODULE, KURVEX_PACKAGE_FILES, KURVEX_BUILD_DIR.

if(NOT EXISTS "${KURVEX_MODULE}")
  message(STATUS "Left out the Python package kurvex: its module is not built "
                 "(cmake --build ${KURVEX_BUILD_DIR} --target kurvex_python)")
  return()
endif()

# Prints the folder after "+" when the interpreter searches it, after "-"
# when not.
set(query [=[
import os, site, sys, sysconfig
prefix = os.path.abspath(sys.argv[1])
below = []
for order, folder in enumerate(site.getsitepackages() + [site.getusersitepackages()]):
    part = os.path.relpath(os.path.abspath(folder), prefix)
    if part != os.pardir and not part.startswith(os.pardir + os.sep):
        below.append((part.count(os.sep), order, folder))
if below:
    print("+" + min(below)[2], end="")
else:
    print("-" + sysconfig.get_path("platlib", "posix_prefix", vars={"base": prefix, "platbase": prefix}), end="")
]=])
execute_process(COMMAND "${KURVEX_PYTHON}" -c "${query}" "${CMAKE_INSTALL_PREFIX}"
                OUTPUT_VARIABLE answer RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT answer MATCHES "^[+-]/")
  message(FATAL_ERROR "${KURVEX_PYTHON} did not tell where its packages go below ${CMAKE_INSTALL_PREFIX}")
endif()
string(SUBSTRING "${answer}" 0 1 searched)
string(SUBSTRING "${answer}" 1 -1 folder)

file(INSTALL DESTINATION "${folder}/kurvex" TYPE FILE FILES ${KURVEX_PACKAGE_FILES})
file(INSTALL DESTINATION "${folder}/kurvex" TYPE MODULE FILES "${KURVEX_MODULE}")
if(searched STREQUAL "+")
  message(STATUS "The Python package kurvex is in $ENV{DESTDIR}${folder}, where ${KURVEX_PYTHON} finds it")
else()
  message(STATUS "The Python package kurvex is in $ENV{DESTDIR}${folder}, which ${KURVEX_PYTHON} "
                 "does not search: import it with PYTHONPATH=${folder}")
endif()
