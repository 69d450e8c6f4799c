# Fails a Release build whose executable has grown past LIMIT bytes. Run after the link, with FILE, CONFIG
# and LIMIT set.
if(NOT CONFIG STREQUAL "Release")
    return()
endif()
file(SIZE "${FILE}" size)
if(size GREATER LIMIT)
    get_filename_component(name "${FILE}" NAME)
    file(REMOVE "${FILE}")  # else the next build would take it as up to date
    message(FATAL_ERROR "${name} is ${size} bytes, more than its limit of ${LIMIT}. Most likely the link took "
        "in a large part of libstdc++: a new call of one of its failure helpers (std::__throw_*) that "
        "win/StaticRuntime.cpp does not stand in for, or std::string code that cmake/StringsInProgram.h no "
        "longer keeps in the program. Link with -Wl,--trace-symbol=<helper> or -Wl,-Map to see which.")
endif()
