# Installs the build into a scratch prefix and checks that every file a desktop
# needs is where it looks for it.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(file
        bin/firma
        bin/firma-gui
        share/applications/io.github.firma.Firma.desktop
        share/icons/hicolor/scalable/apps/io.github.firma.Firma.svg
        share/icons/hicolor/48x48/apps/io.github.firma.Firma.png
        share/metainfo/io.github.firma.Firma.metainfo.xml
        share/mime/packages/io.github.firma.Firma.xml
        share/man/man1/firma.1.gz
        share/man/man1/firma-gui.1.gz
        share/man/es/man1/firma.1.gz
        share/man/es/man1/firma-gui.1.gz
        share/doc/firma/copyright
        share/doc/firma/changelog.gz)
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
# The release records name the project's version as their latest.
file(READ ${PREFIX}/share/metainfo/io.github.firma.Firma.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<release version=\"${VERSION}\"")
    message(FATAL_ERROR "the metainfo does not carry release ${VERSION}")
endif()
file(READ ${PROJECT_CHANGELOG} changelog LIMIT 100)
if(NOT changelog MATCHES "^firma \\(${VERSION}\\) ")
    message(FATAL_ERROR "the changelog does not start with release ${VERSION}")
endif()
# The menu entry starts a program that is installed.
file(STRINGS ${PREFIX}/share/applications/io.github.firma.Firma.desktop exec REGEX "^Exec=")
string(REGEX REPLACE "^Exec=([^ ]+).*" "\\1" exec "${exec}")
if(NOT EXISTS ${PREFIX}/bin/${exec})
    message(FATAL_ERROR "the menu entry starts ${exec}, which is not installed in bin/")
endif()
