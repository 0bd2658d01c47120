# Runs one fuzz target for SECONDS over a corpus started from the seeds.
file(MAKE_DIRECTORY "${CORPUS}")
file(GLOB _seeds "${SEEDS}/*")
foreach(_seed IN LISTS _seeds)
  file(COPY "${_seed}" DESTINATION "${CORPUS}")
endforeach()
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "${CORPUS}"
  RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "fuzz target failed (${_rc})")
endif()
