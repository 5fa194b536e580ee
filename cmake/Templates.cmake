# Workbook templates are kept as readable XML under data/templates/<name>/
# and zipped into .xlsx packages at build time, so that a change to a
# template shows in review and no binary is committed.
#
# tobari_add_template(<installed name> <source folder>)
#   tobari_add_template(COR/ChangeHist ${TOBARI_DATA_DIR}/templates/ChangeHist)
# writes ${CMAKE_BINARY_DIR}/templates/COR/ChangeHist (no extension: the
# callers name their templates so) and adds the target
# tobari_template_<base name>, built by default.

find_program(TOBARI_ZIP zip REQUIRED)

function(tobari_add_template name source_dir)
  get_filename_component(base ${name} NAME)
  set(output ${CMAKE_BINARY_DIR}/templates/${name})
  get_filename_component(output_dir ${output} DIRECTORY)

  file(GLOB_RECURSE parts RELATIVE ${source_dir} CONFIGURE_DEPENDS ${source_dir}/*)
  list(SORT parts)
  # The content types part goes first, as Office writes it; some readers
  # look for it there.
  list(REMOVE_ITEM parts "[Content_Types].xml")
  list(PREPEND parts "[Content_Types].xml")
  set(depends)
  foreach(part IN LISTS parts)
    list(APPEND depends ${source_dir}/${part})
  endforeach()

  # zip adds ".zip" to a name without an extension and appends to an
  # existing archive, so it writes a fresh file that is then renamed.
  # -nw: "[Content_Types].xml" is a name, not a wildcard; -X -D: no extra
  # file attributes and no folder entries, as Office packages have none.
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${output}.zip
    COMMAND ${TOBARI_ZIP} -q -X -D -9 ${output}.zip -nw -- ${parts}
    COMMAND ${CMAKE_COMMAND} -E rename ${output}.zip ${output}
    WORKING_DIRECTORY ${source_dir}
    DEPENDS ${depends}
    COMMENT "Packing workbook template ${name}"
    VERBATIM)
  add_custom_target(tobari_template_${base} ALL DEPENDS ${output})
  set_property(TARGET tobari_template_${base} PROPERTY TEMPLATE_FILE ${output})
endfunction()
