# The plug-in's code is one static library per folder, layered so that
# dependencies point one way (see ARCHITECTURE.md):
#
#   ostrel_add_layer(<folder> SOURCES <files...> [LINK <libraries...>])
#
# makes ostrel_<folder> from <files...> and links it PUBLIC to <libraries...>.
# Headers are included by their folder ("player/playerwidget.h"), so the
# source root cannot be an include directory: it would show every folder to
# every file. Instead each library gets an include root of its own in the
# build tree that holds one entry, a link named after the folder to the
# folder itself, and passes it on to whoever links the library. A file thus
# sees the headers of its own folder and of the libraries its library links,
# directly or through them, and no others: an include against the layer
# order fails to compile, with "No such file or directory".

set(OSTREL_LAYER_ROOT "${CMAKE_BINARY_DIR}/layers")

function(ostrel_add_layer folder)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
    set(name ostrel_${folder})
    add_library(${name} STATIC ${ARG_SOURCES})

    set(root "${OSTREL_LAYER_ROOT}/${folder}")
    file(MAKE_DIRECTORY "${root}")
    if(NOT IS_SYMLINK "${root}/${folder}")
        file(CREATE_LINK "${CMAKE_CURRENT_SOURCE_DIR}" "${root}/${folder}" SYMBOLIC)
    endif()
    target_include_directories(${name} PUBLIC "${root}")
    target_link_libraries(${name} PUBLIC ${ARG_LINK})
endfunction()

# Every layer library, bottom first: the plug-in module is made of their
# objects. scripts/check-layers.sh closes the one way around the include
# roots, a relative include climbing out of a folder.
set(OSTREL_LAYERS net overlays player items imageplayer dialogs plugin)
