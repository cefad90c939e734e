# Fails the build when a source under src/ includes a header of a layer above its own.
#   cmake -DSOURCE_DIR=<src> -DSTAMP=<file written when every include is allowed> -P CheckLayers.cmake
#
# The layers, lowest first: a file may include its own layer's headers and any lower layer's.
# store and platform share a rank but neither includes the other.
#   app → shell → views → services → store, platform → models → support
# Header-only includes compile through the shared include path, so the libraries' links alone
# would not catch an upward one.
set(rank_support 0)
set(rank_models 1)
set(rank_store 2)
set(rank_platform 2)
set(rank_services 3)
set(rank_views 4)
set(rank_shell 5)
set(rank_app 6)
set(layers support models store platform services views shell app)

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
set(violations "")
foreach(file IN LISTS sources)
    string(REGEX MATCH "^[^/]+" layer "${file}")
    if(NOT DEFINED rank_${layer})
        continue()
    endif()
    file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${line}")
        string(REGEX MATCH "^[^/]+" target "${header}")
        if(NOT DEFINED rank_${target} OR target STREQUAL layer)
            continue()
        endif()
        if(rank_${target} LESS rank_${layer})
            continue()
        endif()
        set(allowed "")
        foreach(lower IN LISTS layers)
            if(lower STREQUAL layer OR rank_${lower} LESS rank_${layer})
                list(APPEND allowed ${lower})
            endif()
        endforeach()
        list(JOIN allowed ", " allowed)
        string(APPEND violations "  src/${file} includes \"${header}\": ${layer}/ may include only ${allowed}\n")
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "Includes that go up the layers (app → shell → views → services → store, platform → "
                        "models → support):\n${violations}")
endif()
file(TOUCH "${STAMP}")
