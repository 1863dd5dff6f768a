# corvane_include_root(TARGET folder...): gives TARGET an include folder in the
# build tree that holds links to the named source folders and nothing else, so
# that a header of a higher layer does not compile in a lower one. The folder
# is public: a target above may use everything that its layers below may.
function(corvane_include_root target)
    set(root ${PROJECT_BINARY_DIR}/include/${target})
    file(REMOVE_RECURSE ${root})
    foreach(folder IN LISTS ARGN)
        get_filename_component(parent ${root}/${folder} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endforeach()
    target_include_directories(${target} PUBLIC ${root})
endfunction()
