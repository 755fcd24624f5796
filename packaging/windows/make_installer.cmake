# CPack's External generator runs this after staging the install tree: the
# installer is made by Debian's makensis from installer.nsi, next to the zip.
file(GLOB staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
set(root ${CPACK_TEMPORARY_DIRECTORY})
if(NOT EXISTS ${root}/firma.exe)
    list(GET staged 0 root)  # one folder per component
endif()
set(installer ${CPACK_TEMPORARY_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.exe)
# The script is UTF-8 (its Spanish strings), whatever makensis would assume.
execute_process(COMMAND makensis -V2 -INPUTCHARSET UTF8 -DVERSION=${CPACK_PACKAGE_VERSION} -DSTAGED=${root} -DOUTFILE=${installer}
                        -DHELPER=${CPACK_FIRMA_PATH_HELPER} -DICON=${CPACK_FIRMA_ICON}
                        -DRECORD_SELECTION=${CPACK_FIRMA_RECORD_SELECTION}
                        ${CPACK_FIRMA_INSTALLER_SCRIPT}
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "makensis failed")
endif()
set(CPACK_EXTERNAL_BUILT_PACKAGES ${installer})
