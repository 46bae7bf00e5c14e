# Fails when a text marked in the sources is missing from the committed templates: extracts
# the templates afresh into WORK_DIR and compares them with TEMPLATE_DIR through msgcmp.
# Run by the test locale_templates; `cmake --build build --target kv_pot` brings them up to date.

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(
  COMMAND ${CMAKE_COMMAND} -DXGETTEXT=${XGETTEXT} -DSOURCE_DIR=${SOURCE_DIR}
          -DOUTPUT_DIR=${WORK_DIR} -DVERSION=0 -P ${CMAKE_CURRENT_LIST_DIR}/ExtractMessages.cmake
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "extracting the texts failed")
endif()

set(stale)
foreach(pot default.pot dialogs-svg.pot Units.pot)
  # msgcmp names every text of the fresh template that the committed one lacks.
  execute_process(
    COMMAND ${MSGCMP} --use-untranslated ${TEMPLATE_DIR}/${pot} ${WORK_DIR}/${pot}
    RESULT_VARIABLE rc ERROR_VARIABLE missing)
  if(NOT rc EQUAL 0)
    message("${missing}")
    list(APPEND stale ${pot})
  endif()
endforeach()
if(stale)
  message(FATAL_ERROR "Texts missing from locale/${stale}: "
                      "run cmake --build build --target kv_pot and merge the catalogues")
endif()
