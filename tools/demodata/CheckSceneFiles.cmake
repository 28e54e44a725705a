# Runs enfdump -q over every scene file under DATA_DIR; fails when there is none or when any
# does not load cleanly.
file(GLOB_RECURSE scene_files "${DATA_DIR}/*.enf")
if(NOT scene_files)
  message(FATAL_ERROR "no scene files under ${DATA_DIR}: was the demo data set written?")
endif()
execute_process(COMMAND "${ENFDUMP}" -q ${scene_files} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "enfdump could not load every scene file of the demo data set")
endif()
list(LENGTH scene_files count)
message(STATUS "${count} scene file(s) load cleanly")
