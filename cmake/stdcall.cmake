# stdcall_symbol(OUT TEXT): TEXT with the stdcall decoration of each symbol
# ("PlayerDirectDrawCreate@12") as the compiler names it on this target: kept on
# 32-bit Windows, dropped on 64-bit Windows, where there is one calling
# convention and its names carry no argument bytes.
function(stdcall_symbol out text)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        string(REGEX REPLACE "@[0-9]+" "" text "${text}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()
