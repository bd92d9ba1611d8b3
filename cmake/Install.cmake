# What `cmake --install` and `make package` put on a system: the program, its menu entry,
# icons, AppStream metainfo, documentation, manual page and bash completion.
include(GNUInstallDirs)
set(CRATEWISE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/cratewise)
set(CRATEWISE_DATA ${CMAKE_SOURCE_DIR}/data)

# The PNG icons are drawn from the one SVG, so the sizes never disagree with it.
find_program(RSVG_CONVERT rsvg-convert)
if(NOT RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert (librsvg2-bin) draws the icons; scripts/install-deps.sh installs it")
endif()
set(CRATEWISE_ICON_SIZES 16 32 48 64 128 256)
set(CRATEWISE_ICON_PNGS "")
foreach(size ${CRATEWISE_ICON_SIZES})
    set(png ${CMAKE_BINARY_DIR}/icons/${size}/cratewise.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
        COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${CRATEWISE_DATA}/cratewise.svg -o ${png}
        DEPENDS ${CRATEWISE_DATA}/cratewise.svg VERBATIM)
    list(APPEND CRATEWISE_ICON_PNGS ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
# The window icon; PNGs because Qt reads them without its SVG module.
qt_add_resources(cratewise_gui cratewise_icons PREFIX /icons BASE ${CMAKE_BINARY_DIR}/icons
                 FILES ${CRATEWISE_ICON_PNGS})
install(FILES ${CRATEWISE_DATA}/cratewise.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual page and the completion come from the program's own command table, so they
# list exactly what --help lists.
set(CRATEWISE_MAN ${CMAKE_BINARY_DIR}/cratewise.1)
set(CRATEWISE_COMPLETION ${CMAKE_BINARY_DIR}/cratewise.bash-completion)
add_custom_command(OUTPUT ${CRATEWISE_MAN}
    COMMAND sh -c "\"$1\" --man > \"$2\"" sh $<TARGET_FILE:cratewise> ${CRATEWISE_MAN}
    DEPENDS cratewise VERBATIM)
add_custom_command(OUTPUT ${CRATEWISE_COMPLETION}
    COMMAND sh -c "\"$1\" --bash-completion > \"$2\"" sh $<TARGET_FILE:cratewise>
            ${CRATEWISE_COMPLETION}
    DEPENDS cratewise VERBATIM)
# Debian wants the page and the changelog compressed, without a time stamp in the gzip
# header so that rebuilding gives the same package.
set(CRATEWISE_MAN_GZ ${CRATEWISE_MAN}.gz)
set(CRATEWISE_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${CRATEWISE_MAN_GZ}
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${CRATEWISE_MAN} ${CRATEWISE_MAN_GZ}
    DEPENDS ${CRATEWISE_MAN} VERBATIM)
add_custom_command(OUTPUT ${CRATEWISE_CHANGELOG_GZ}
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${CRATEWISE_DATA}/changelog
            ${CRATEWISE_CHANGELOG_GZ}
    DEPENDS ${CRATEWISE_DATA}/changelog VERBATIM)
add_custom_target(cratewise_generated_docs ALL
    DEPENDS ${CRATEWISE_MAN} ${CRATEWISE_MAN_GZ} ${CRATEWISE_COMPLETION} ${CRATEWISE_CHANGELOG_GZ})

configure_file(${CRATEWISE_DATA}/org.quillfen.cratewise.metainfo.xml
               ${CMAKE_BINARY_DIR}/org.quillfen.cratewise.metainfo.xml @ONLY)

# Full RELRO: the dynamic relocations are resolved at start and then made read-only.
target_link_options(cratewise PRIVATE LINKER:-z,relro,-z,now)
install(TARGETS cratewise RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Like Debian's own packaging tools, drop the compilers' version notes from the program.
install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/cratewise\"
    COMMAND_ERROR_IS_FATAL ANY)")
install(FILES ${CRATEWISE_DATA}/cratewise.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/org.quillfen.cratewise.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CRATEWISE_DATA}/cratewise.html ${CMAKE_SOURCE_DIR}/resources/readme.txt
              ${CRATEWISE_DATA}/copyright ${CRATEWISE_CHANGELOG_GZ}
        DESTINATION ${CRATEWISE_DOCDIR})
install(FILES ${CRATEWISE_DATA}/cratewise.doc-base RENAME cratewise
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc-base)
install(FILES ${CRATEWISE_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CRATEWISE_DATA}/cratewise.lintian-overrides RENAME cratewise
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)
install(FILES ${CRATEWISE_COMPLETION} RENAME cratewise
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cratewise)
set(CPACK_PACKAGE_VENDOR Quillfen)
set(CPACK_PACKAGE_CONTACT "Quillfen <cratewise@quillfen.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "catalogue of MP3 files on CDs and in folders")
set(CPACK_PACKAGE_DESCRIPTION
    "Cratewise keeps one record per MP3 file on CDs and in folders, searches\n the whole collection, builds playlists and copies songs out, asking for\n discs by name.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The theme's index tells menus where the icon sizes live; without recommended packages
# nothing else brings it, and the menu entry shows no icon. The libraries are added to it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS hicolor-icon-theme)
# The built-in player's decoders and sound outputs are GStreamer plugins (AAC in libav).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "mpd, gstreamer1.0-plugins-good, gstreamer1.0-libav, gstreamer1.0-pulseaudio")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quillfen.org/cratewise")
include(CPack)
