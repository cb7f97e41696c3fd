# Fails when an object of the core refers to an allocation function: the tools
# allocate nothing on the heap, and any heap use would show as such a reference, in
# the host build's objects and the i686 product's alike.
#   cmake -DNM=<nm> -DLIBRARY=<libtoolcore.a> -P no_heap.cmake
execute_process(COMMAND ${NM} -u ${LIBRARY} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR listing STREQUAL "")
    message(FATAL_ERROR "${NM} -u ${LIBRARY} gave nothing to check (status ${status})")
endif()
# C names may carry i686's leading underscore, an import's __imp_ and a stdcall @N;
# operator new and delete are mangled (_Znwj, _ZdlPv, ...).
set(allocators "malloc|calloc|realloc|reallocarray|free|strdup|strndup|aligned_alloc|posix_memalign|memalign|valloc|_aligned_malloc|HeapAlloc|HeapReAlloc|LocalAlloc|LocalReAlloc|GlobalAlloc|GlobalReAlloc|VirtualAlloc|CoTaskMemAlloc|SysAllocString")
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(found "")
foreach(line IN LISTS lines)
    string(REGEX REPLACE "^.*[ \t]" "" symbol "${line}")
    if(symbol MATCHES "^(__imp_)?_*(${allocators})(@[0-9]+)?$" OR symbol MATCHES "^(__imp_)?_+Z(nw|na|dl|da)")
        list(APPEND found ${symbol})
    endif()
endforeach()
if(found)
    list(REMOVE_DUPLICATES found)
    message(FATAL_ERROR "${LIBRARY} refers to allocation functions: ${found}")
endif()
message(STATUS "${LIBRARY}: no allocation function among its undefined symbols")
