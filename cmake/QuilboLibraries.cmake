# Helpers for the product's libraries: headers exported folder by folder, and the Chinese
# catalogues. Included once from the top-level CMakeLists.txt, before any folder is added.

# quilbo_export_headers(<target> [<folder>]): exports the headers of <folder> (by default the
# calling folder) to target's users, and to nothing else: a folder's
# headers are reached as "<folder>/<name>.h" through a build-tree root that holds only that folder
# (a link to it), so a library that includes another layer's header without linking a library of
# that layer does not compile.
function(quilbo_export_headers target)
  set(source ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARGC GREATER 1)
    set(source ${ARGV1})
  endif()
  get_filename_component(folder ${source} NAME)
  set(root ${PROJECT_BINARY_DIR}/headers/${folder})
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${source} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${root}>)
endfunction()

# Gives <target> the catalogue res/i18n/<name>: the update_translations target refreshes it with
# lupdate from the target's own sources and forms, the build compiles it into the target's
# resources under :/i18n/ (where installTranslations() loads every catalogue it finds), and the
# test i18n.<name> fails while those sources hold a string the catalogue does not translate.
function(quilbo_add_catalogue target name)
  set(catalogue ${PROJECT_SOURCE_DIR}/res/i18n/${name})
  # No source locations: line numbers would change the catalogue at every edit of a source.
  qt_add_translations(${target} TS_FILES ${catalogue} RESOURCE_PREFIX /i18n
                      LUPDATE_OPTIONS -locations none)
  if(BUILD_TESTING)
    add_test(NAME i18n.${name}
             COMMAND ${CMAKE_COMMAND} -DLUPDATE=$<TARGET_FILE:Qt6::lupdate>
                     -DCATALOGUE=${catalogue} -DSOURCE_DIR=$<TARGET_PROPERTY:${target},SOURCE_DIR>
                     "-DSOURCES=$<TARGET_PROPERTY:${target},SOURCES>"
                     "-DINCLUDES=$<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>"
                     -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/i18n-check
                     -P ${PROJECT_SOURCE_DIR}/cmake/CheckCatalogue.cmake)
  endif()
endfunction()
