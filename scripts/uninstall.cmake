# Removes what the last `cmake --install` of this build tree installed, as
# listed in its install_manifest.txt:
#   cmake --build BUILD --target uninstall
# Besides the files, the byte code Python wrote into the package's folder
# when it was imported, and the folders of the program's own that are empty
# then (share/doc/kurvex, the package kurvex); shared folders such as bin/
# stay.
if(NOT EXISTS install_manifest.txt)
  message(FATAL_ERROR "Nothing to remove: no install_manifest.txt in this build tree (no install yet)")
endif()
file(STRINGS install_manifest.txt files)
set(folders)
foreach(file IN LISTS files)
  if(EXISTS "${file}" OR IS_SYMLINK "${file}")
    file(REMOVE "${file}")
    message(STATUS "Removed ${file}")
  endif()
  get_filename_component(folder "${file}" DIRECTORY)
  list(APPEND folders "${folder}")
endforeach()
# The deepest folders first, so that a folder emptied of its folders goes too.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
  while(folder MATCHES "/kurvex(/|$)" AND IS_DIRECTORY "${folder}")
    file(REMOVE_RECURSE "${folder}/__pycache__")
    file(GLOB left "${folder}/*")
    if(left)
      break()
    endif()
    file(REMOVE_RECURSE "${folder}")  # empty by now
    message(STATUS "Removed ${folder}/")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
