# Install rules and the Debian package (scripts/package.sh builds it with the `package` preset:
# release, installed under /usr). Only the program and the files a desktop needs to show and
# start it are installed: no tests, no headers.

set(QUORVEL_APP_ID org.quorvel.Quorvel)

if(TARGET quorvel)
    install(TARGETS quorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# Copied into a new data folder by `quorvel --data-folder`.
install(FILES ${PROJECT_SOURCE_DIR}/assets/click.wav DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvel)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${QUORVEL_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${QUORVEL_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/quorvel.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${QUORVEL_APP_ID}.svg)
foreach(size 48 128 256)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/quorvel-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME ${QUORVEL_APP_ID}.png)
endforeach()

# Debian wants manual pages and changelogs compressed, without a time stamp so that builds
# repeat.
set(quorvel_man ${CMAKE_CURRENT_BINARY_DIR}/quorvel.1.gz)
set(quorvel_changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
foreach(pair "quorvel.1;${quorvel_man}" "changelog;${quorvel_changelog}")
    list(GET pair 0 source)
    list(GET pair 1 compressed)
    add_custom_command(OUTPUT ${compressed}
        COMMAND gzip -n -9 -c ${CMAKE_CURRENT_LIST_DIR}/${source} > ${compressed}
        DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${source}
        VERBATIM)
endforeach()
add_custom_target(quorvel_man ALL DEPENDS ${quorvel_man} ${quorvel_changelog})
install(FILES ${quorvel_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# A lab that only has the package still has the description of its data: the codebook and the
# analysis recipe, with Debian's copyright file and the changelog. GNUInstallDirs' DOCDIR
# would be named after the project (Quorvel); Debian's is named after the package.
set(quorvel_docdir ${CMAKE_INSTALL_DATADIR}/doc/quorvel)
# The project has no public mail address yet: lintian's complaint about the maintainer's
# (localhost) is noted in its overrides file rather than answered with a made-up address.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME quorvel)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${quorvel_changelog}
    ${PROJECT_SOURCE_DIR}/docs/codebook.md ${PROJECT_SOURCE_DIR}/docs/analysis.md
    DESTINATION ${quorvel_docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quorvel maintainers <quorvel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "timed connect-the-targets test for touch screens")
# Lines of at most 80 characters, as Debian's tools show them.
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvel administers a timed connect-the-targets test on a touch screen.
A subject touches 25 numbered (Part A) or numbered and hiragana (Part B)
circles in order; every correct touch is timed to the millisecond and the
results are appended to a per-subject trial log and a shared summary file.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program loads at run time without linking it, next to the libraries dpkg-shlibdeps
# finds: Qt's X11 and Wayland platforms, the sound backend for the click, a Japanese face for
# the kana labels, and Mesa's OpenGL drivers.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-wayland, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, fonts-noto-cjk, libgl1-mesa-dri")
set(CPACK_STRIP_FILES ON)
include(CPack)
