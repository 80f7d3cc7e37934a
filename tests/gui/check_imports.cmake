# Fails when PROGRAM imports a DLL that is not part of Windows itself (the program ships as one file).
# Usage: cmake -DOBJDUMP=<objdump> -DPROGRAM=<exe> -P check_imports.cmake
cmake_minimum_required(VERSION 3.20)

set(windows_dlls
    advapi32 comctl32 comdlg32 gdi32 imm32 kernel32 msimg32 msvcrt odbc32 ole32 oleaut32 rpcrt4 shell32 shlwapi
    user32 uxtheme version winhttp winmm ws2_32)

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in ${PROGRAM}: not a Windows program?")
endif()
set(foreign "")
foreach(line IN LISTS imports)
  string(REGEX REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" name)
  string(REGEX REPLACE "\\.dll$" "" name "${name}")
  if(NOT name IN_LIST windows_dlls)
    list(APPEND foreign "${dll}")
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "${PROGRAM} imports DLLs that Windows does not provide: ${foreign}")
endif()
message(STATUS "imports: ${imports}")
