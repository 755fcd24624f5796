# The application icon at the sizes programs show it, drawn at build time from
# the one SVG (packaging/io.github.firma.Firma.svg) with Debian's rsvg-convert:
# PNGs in ${FIRMA_ICON_DIR} (SIZE.png) for the Qt window and the hicolor theme,
# and on Windows firma.ico (icotool) for the programs' icon resources. Target
# firma_icon makes them.
set(FIRMA_ICON_SVG ${PROJECT_SOURCE_DIR}/packaging/io.github.firma.Firma.svg)
set(FIRMA_ICON_DIR ${CMAKE_BINARY_DIR}/icon)
set(FIRMA_ICON_SIZES 16 20 24 32 40 48 64 256)
set(FIRMA_ICON_PNGS "")
foreach(size ${FIRMA_ICON_SIZES})
    list(APPEND FIRMA_ICON_PNGS ${FIRMA_ICON_DIR}/${size}.png)
endforeach()

function(firma_add_icon_target)
    find_program(RSVG_CONVERT rsvg-convert REQUIRED)
    set(commands COMMAND ${CMAKE_COMMAND} -E make_directory ${FIRMA_ICON_DIR})
    foreach(size ${FIRMA_ICON_SIZES})
        list(APPEND commands COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${FIRMA_ICON_DIR}/${size}.png ${FIRMA_ICON_SVG})
    endforeach()
    set(outputs ${FIRMA_ICON_PNGS})
    if(WIN32)
        find_program(ICOTOOL icotool REQUIRED)
        # The 256 px image is stored as PNG, as Windows expects of that size.
        list(REMOVE_ITEM FIRMA_ICON_PNGS ${FIRMA_ICON_DIR}/256.png)
        list(APPEND commands COMMAND ${ICOTOOL} -c -o ${FIRMA_ICON_DIR}/firma.ico ${FIRMA_ICON_PNGS}
                                     --raw=${FIRMA_ICON_DIR}/256.png)
        list(APPEND outputs ${FIRMA_ICON_DIR}/firma.ico)
    endif()
    add_custom_command(OUTPUT ${outputs} ${commands} DEPENDS ${FIRMA_ICON_SVG} VERBATIM
                       COMMENT "Drawing the application icon")
    add_custom_target(firma_icon DEPENDS ${outputs})
endfunction()
