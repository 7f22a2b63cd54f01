# tarvikctl.exe as a Windows user starts it: arguments from the wide command
# line, file names outside the ANSI code page, messages and exit codes.
#   cmake -DCTL=<tarvikctl.exe> -DRUN=<wine-run.sh> -DWORK=<dir> -P ctl_exe_check.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(out "${WORK}/読み出し.bin")

function(ctl expected)
  execute_process(COMMAND ${RUN} ${CTL} --simulate ${ARGN}
    RESULT_VARIABLE code OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  if(NOT code EQUAL expected)
    message(FATAL_ERROR "tarvikctl ${ARGN}: exit ${code}, expected ${expected}\n${stdout}\n${stderr}")
  endif()
  set(stderr "${stderr}" PARENT_SCOPE)
endfunction()

ctl(0 op GetCmd0800 target=1 count=16 --out ${out})
file(SIZE ${out} size)
if(NOT size EQUAL 16)
  message(FATAL_ERROR "${out} holds ${size} bytes, not 16")
endif()
ctl(0 op SetCmd0800 target=1 --in ${out})

# A missing file is named in the message as given.
ctl(66 op SetCmd0800 target=1 --in "${WORK}/ない.bin")
string(FIND "${stderr}" "ない.bin" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the message does not name the file: ${stderr}")
endif()
ctl(64 set no-such-setting 1)
