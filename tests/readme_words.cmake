# The README speaks of this program only, in its own words: no numbered subsystems or parts, no
# other program it might be compared with; its layout table names every top-level folder built.
# Run as: cmake -DREADME=<path> -P readme_words.cmake
file(READ "${README}" text)
foreach(pattern "[Ss]ubsystem [0-9]" "[Pp]art [0-9]" "[Oo]riginal")
    string(REGEX MATCH "${pattern}[^\n]*" found "${text}")
    if(found)
        message(FATAL_ERROR "README.md: \"${found}\"")
    endif()
endforeach()
foreach(folder runtime data shell entry analysis exchange app tests tools bench)
    string(FIND "${text}" "| `${folder}/` |" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "README.md: the layout table has no ${folder}/")
    endif()
endforeach()
