# vistrel_binary(TARGET DESCRIPTION): what every Windows binary we ship carries.
# - The project's one version as a VERSIONINFO resource, with DESCRIPTION as its FileDescription.
# - A program also gets its application manifest (binary/app.manifest.in).
# - In a release build the file is stripped; its symbols and debug information stay in the build
#   tree as <file>.debug beside it, which a debugger finds through the binary's debug link.
set(VISTREL_BINARY_TEMPLATES ${CMAKE_CURRENT_LIST_DIR}/binary)

function(vistrel_binary target description)
    get_target_property(type ${target} TYPE)
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT name)
        set(name ${target})
    endif()
    if(type STREQUAL "EXECUTABLE")
        set(file_name ${name}.exe)
        set(file_type VFT_APP)
        set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources/${file_name}.manifest)
        configure_file(${VISTREL_BINARY_TEMPLATES}/app.manifest.in ${manifest} @ONLY)
        # 1 is the resource a program's manifest is read from, 24 its type (RT_MANIFEST).
        set(manifest_resource "1 24 \"${manifest}\"")
    else()
        set(file_name ${name}.dll)
        set(file_type VFT_DLL)
        set(manifest "")
        set(manifest_resource "")
    endif()
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources/${target}.rc)
    configure_file(${VISTREL_BINARY_TEMPLATES}/VersionInfo.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${manifest}")

    if(CMAKE_BUILD_TYPE STREQUAL "Release")
        set(file $<TARGET_FILE:${target}>)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${file} ${file}.debug
            COMMAND ${CMAKE_STRIP} --strip-all ${file}
            COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${file}.debug ${file}
            VERBATIM)
    endif()
endfunction()
