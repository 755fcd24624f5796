# firma_windows_resources(TARGET DESCRIPTION DESCRIPTION_ES MANIFEST_TEMPLATE): gives a Windows
# program what Explorer and the loader read, its version resource (from
# project(VERSION)), its icon (app_icon.cmake) and its manifest. The manifest template may use
# @FIRMA_DESCRIPTION@, @FIRMA_VERSION_MAJOR@ and @FIRMA_VERSION_MINOR@.
function(firma_windows_resources target description description_es manifest_template)
    set(FIRMA_DESCRIPTION "${description}")
    set(FIRMA_DESCRIPTION_ES "${description_es}")
    # Windows wants numbers: 1.00 is 1.0, and a minor version of 08 must not be
    # read as octal by the resource compiler.
    math(EXPR FIRMA_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
    math(EXPR FIRMA_VERSION_MINOR ${PROJECT_VERSION_MINOR})
    set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
    set(resources ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${manifest_template} ${manifest} @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/windows_resources.rc.in ${resources} @ONLY)
    target_sources(${target} PRIVATE ${resources})
    set_source_files_properties(${resources} PROPERTIES OBJECT_DEPENDS "${manifest};${FIRMA_ICON_DIR}/firma.ico")
    add_dependencies(${target} firma_icon)
endfunction()
