# Fails, naming each file and the first place in it, when a C++ source file is not laid out as
# .clang-format says. Formatting differs between clang-format versions; this is Debian 12's, 14.
# Run with -DCLANG_FORMAT=... -DSOURCE_DIR=...; the files are found afresh at every run, so that a
# new one is checked without configuring again.
if(NOT CLANG_FORMAT)
  message(FATAL_ERROR "clang-format not found: scripts/install-deps --test installs it")
endif()

set(sources "")
foreach(folder src tests bench tools fuzz)
  file(GLOB_RECURSE found ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.hpp)
  list(APPEND sources ${found})
endforeach()
list(SORT sources)
list(LENGTH sources count)
if(count EQUAL 0)
  message(FATAL_ERROR "no source files under ${SOURCE_DIR}")
endif()

execute_process(
  COMMAND ${CLANG_FORMAT} --dry-run --Werror --ferror-limit=1 ${sources}
  WORKING_DIRECTORY ${SOURCE_DIR}
  RESULT_VARIABLE status
  ERROR_VARIABLE complaints)

# clang-format's complaints start "FILE:LINE:COLUMN: error:", one for each file at this limit.
string(REGEX MATCHALL "[^\n]+:[0-9]+:[0-9]+: error:" places "${complaints}")
set(files "")
foreach(place IN LISTS places)
  string(REGEX REPLACE ":[0-9]+:[0-9]+: error:$" "" file "${place}")
  file(RELATIVE_PATH file ${SOURCE_DIR} ${file})
  list(APPEND files ${file})
endforeach()
list(REMOVE_DUPLICATES files)

if(files)
  list(LENGTH files bad)
  list(JOIN files "\n  " listed)
  message("${complaints}")
  message(FATAL_ERROR "${bad} of ${count} files differ from clang-format "
                      "(run clang-format -i on them):\n  ${listed}")
elseif(NOT status EQUAL 0)
  message(FATAL_ERROR "clang-format failed (${status}):\n${complaints}")
endif()
message(STATUS "${count} files follow .clang-format")
