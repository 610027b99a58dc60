# Fails while the sources hold a translatable string that the catalogue does not translate, or the
# catalogue holds strings the sources no longer have. lupdate refreshes a copy of the catalogue
# from the sources (the catalogue itself is left alone) and marks both kinds; this reads the marks.
# Run with: cmake -DLUPDATE=<lupdate> -DCATALOGUE=<file.ts> -DSOURCE_DIR=<dir> -DSOURCES=<list>
#                 -DINCLUDES=<list> -DWORK_DIR=<dir> -P CheckCatalogue.cmake
set(files "")
foreach(source IN LISTS SOURCES)
  get_filename_component(source "${source}" ABSOLUTE BASE_DIR "${SOURCE_DIR}")
  if(source MATCHES "\\.(cpp|h|ui)$" AND EXISTS "${source}")
    list(APPEND files "${source}")
  endif()
endforeach()
set(include_options "")
foreach(dir IN LISTS INCLUDES)
  list(APPEND include_options "-I${dir}")
endforeach()

get_filename_component(name "${CATALOGUE}" NAME)
set(copy "${WORK_DIR}/${name}")
file(MAKE_DIRECTORY "${WORK_DIR}")
file(COPY_FILE "${CATALOGUE}" "${copy}")
execute_process(COMMAND "${LUPDATE}" -silent -locations none ${include_options} ${files} -ts "${copy}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "lupdate failed on ${name}:\n${output}")
endif()

file(READ "${copy}" ts)
# A ";" (as in "&amp;") would split the list of messages below.
string(REPLACE ";" "@SEMICOLON@" ts "${ts}")
set(problems "")
string(REGEX MATCHALL "<source>[^<]*</source>[^<]*(<comment>[^<]*</comment>[^<]*)?<translation[^>]*>[^<]*</translation>"
       messages "${ts}")
foreach(message IN LISTS messages)
  string(REGEX MATCH "<source>([^<]*)</source>.*<translation([^>]*)>([^<]*)</translation>" _ "${message}")
  string(REPLACE "@SEMICOLON@" ";" source "${CMAKE_MATCH_1}")
  set(type "${CMAKE_MATCH_2}")
  set(translation "${CMAKE_MATCH_3}")
  if(type MATCHES "vanished|obsolete")
    string(APPEND problems "\n  no longer in the sources: \"${source}\"")
  elseif(type MATCHES "unfinished" OR translation MATCHES "^[ \t\n]*$")
    string(APPEND problems "\n  not translated: \"${source}\"")
  endif()
endforeach()
if(NOT messages OR problems)
  message(FATAL_ERROR "${CATALOGUE} does not match its sources (build the update_translations "
                      "target, then translate):${problems}")
endif()
