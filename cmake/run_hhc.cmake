# Runs Microsoft's help compiler: cmake -DHHC=<hhc.exe> -DPROJECT=<.hhp> -DOUTPUT=<.chm> -P ...
# hhc.exe answers 1 when it compiled the file and 0 when it failed, the reverse of every other
# tool, so the compiled file itself is what tells.
file(REMOVE "${OUTPUT}")
execute_process(COMMAND "${HHC}" "${PROJECT}" RESULT_VARIABLE ignored)
if(NOT EXISTS "${OUTPUT}")
  message(FATAL_ERROR "${HHC} did not compile ${PROJECT} into ${OUTPUT}")
endif()
