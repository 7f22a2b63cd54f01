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

# Names Windows keeps for devices are refused, not opened: a read from CON
# would wait for the keyboard.
foreach(name NUL con.txt Aux.json lpt1)
  ctl(66 op SetCmd0800 target=1 --in "${WORK}/${name}")
  string(FIND "${stderr}" "Windows device" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "--in ${name} is not refused as a device: ${stderr}")
  endif()
  ctl(73 op GetCmd0800 target=1 count=16 --out ${name})
  ctl(73 save "${WORK}/${name}")
endforeach()
ctl(66 apply COM1.json)

# A path that begins with / is a path, not a Windows-style option.
ctl(0 save "${WORK}/room.json")
if(NOT EXISTS "${WORK}/room.json")
  message(FATAL_ERROR "save ${WORK}/room.json wrote no file")
endif()

# --all makes the folder by its Unicode name and one file per device in it.
ctl(0 --all save "${WORK}/部屋")
if(NOT EXISTS "${WORK}/部屋/1-1.json")
  message(FATAL_ERROR "--all save wrote no ${WORK}/部屋/1-1.json")
endif()
