# Writes the templates default.pot, dialogs-svg.pot and Units.pot into OUTPUT_DIR from the
# sources below SOURCE_DIR. Run through the kv_pot target.
#
# Texts in code: Tr, TrNoop, TrDomain (second argument) -> default; TrDialogs, TrDialogsNoop ->
# dialogs-svg; TrResource -> Units. Texts that a window sets on its controls and translates with
# TranslateWindow go to that window's domain: "dialogs-svg" for sources that call
# TranslateWindow(..., kDialogsDomain), "default" for all others.

set(common_args --c++ --from-code=UTF-8 --force-po --sort-by-file
    --add-comments=TRANSLATORS: --package-name=KvTools --package-version=${VERSION} -k)
set(window_keywords
    -ksetText:1,1t -ksetText:2,2t -ksetWindowTitle -ksetToolTip:1,1t -ksetToolTip:2,2t
    -ksetStatusTip:1,1t -ksetStatusTip:2,2t -ksetWhatsThis:1,1t -ksetWhatsThis:2,2t
    -ksetPlaceholderText -ksetTitle -ksetPrefix -ksetSuffix -ksetSpecialValueText
    -ksetTabText:2 -ksetTabToolTip:2 -ksetItemText:2 -ksetAccessibleName
    -kaddItem:1,1t -kaddItem:2,2t -kinsertItem:2,2t -kinsertItem:3,3t
    -kaddTab:2,2t -kaddTab:3,3t -kaddAction:1,1t -kaddAction:2,2t -kaddMenu:1,1t)

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}/.. ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.h)
list(SORT sources)
set(dialog_windows)
set(default_windows)
foreach(source IN LISTS sources)
  file(STRINGS ${SOURCE_DIR}/../${source} hits REGEX "TranslateWindow\\([^;]*kDialogsDomain")
  if(hits)
    list(APPEND dialog_windows ${source})
  else()
    list(APPEND default_windows ${source})
  endif()
endforeach()

# xgettext over files with keywords; JOIN adds to the template instead of replacing it.
function(extract pot)
  cmake_parse_arguments(ARG "JOIN" "" "KEYWORDS;FILES" ${ARGN})
  if(NOT ARG_FILES)
    return()
  endif()
  set(join)
  if(ARG_JOIN)
    set(join --join-existing)
  endif()
  execute_process(
    COMMAND ${XGETTEXT} ${common_args} ${join} ${ARG_KEYWORDS} -o ${OUTPUT_DIR}/${pot}
            ${ARG_FILES}
    WORKING_DIRECTORY ${SOURCE_DIR}/..
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "xgettext failed for ${pot}")
  endif()
endfunction()

extract(default.pot KEYWORDS -kTr -kTrNoop -kTrDomain:2 FILES ${sources})
extract(default.pot JOIN KEYWORDS ${window_keywords} FILES ${default_windows})
extract(dialogs-svg.pot KEYWORDS -kTrDialogs -kTrDialogsNoop FILES ${sources})
extract(dialogs-svg.pot JOIN KEYWORDS ${window_keywords} FILES ${dialog_windows})
extract(Units.pot KEYWORDS -kTrResource FILES ${sources})
message(STATUS "Templates written to ${OUTPUT_DIR}")
