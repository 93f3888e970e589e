# SPDX-FileCopyrightText: The Myoruka developers
# SPDX-License-Identifier: MIT
# Run at install time (from cmake_install.cmake). Copies the data files into the program folder,
# but never over a file that has changed since the last install wrote it: 1.dat grows with every
# noun the user teaches, and a user may replace a picture or edit a list. str.dat is never
# touched. Then writes .installed, which names this install (version and a hash of every file
# shipped); the launcher compares it with a user's copy of the folder to know when to refresh.
#
# In:  MYORUKA_DIST_DIR, MYORUKA_INSTALL_DIR, MYORUKA_DATA_FILES, MYORUKA_VERSION, MYORUKA_OBJCOPY,
#      and the usual CMAKE_INSTALL_PREFIX, DESTDIR and CMAKE_INSTALL_DO_STRIP of an install.

if(IS_ABSOLUTE "${MYORUKA_INSTALL_DIR}")
  set(folder "$ENV{DESTDIR}${MYORUKA_INSTALL_DIR}")
else()
  set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${MYORUKA_INSTALL_DIR}")
endif()
file(MAKE_DIRECTORY "${folder}")

# What the last install wrote, one "<sha256> <name>" line per file.
set(stamp "${folder}/.installed")
set(last "")
if(EXISTS "${stamp}")
  file(STRINGS "${stamp}" last)
endif()

# A stripped install drops the compiler's notes too, as Debian's tools do.
if(CMAKE_INSTALL_DO_STRIP AND MYORUKA_OBJCOPY)
  execute_process(COMMAND "${MYORUKA_OBJCOPY}" --remove-section=.comment "${folder}/myoruka"
                  COMMAND_ERROR_IS_FATAL ANY)
endif()

set(record "myoruka ${MYORUKA_VERSION}\n")
file(SHA256 "${folder}/myoruka" program_hash)
string(APPEND record "${program_hash} myoruka\n")

foreach(name IN LISTS MYORUKA_DATA_FILES)
  set(from "${MYORUKA_DIST_DIR}/${name}")
  set(to "${folder}/${name}")
  if(NOT EXISTS "${from}")
    message(FATAL_ERROR "${from} is missing: build the project before installing it")
  endif()
  file(SHA256 "${from}" shipped)
  string(APPEND record "${shipped} ${name}\n")

  if(EXISTS "${to}")
    file(SHA256 "${to}" present)
    if(present STREQUAL shipped)
      message(STATUS "Up-to-date: ${to}")
      continue()
    endif()
    list(FIND last "${present} ${name}" as_installed)
    if(as_installed EQUAL -1)
      message(STATUS "Keeping: ${to} (changed since it was installed)")
      continue()
    endif()
  endif()
  message(STATUS "Installing: ${to}")
  file(COPY_FILE "${from}" "${to}")
endforeach()

file(WRITE "${stamp}" "${record}")
