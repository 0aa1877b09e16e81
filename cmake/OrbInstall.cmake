# Install layout (GNUInstallDirs) and the Debian package built by CPack (make deb):
#   bin/QV, bin/QVMC, bin/qvtool, lib/<arch>/orbalinder/orbalinder-sound.so (QV's sound output)
#   share/orbalinder/{lang/*.cat, help/, sounds/}   what a program folder is laid out from
#   share/applications, share/metainfo, share/mime/packages, share/icons/hicolor
#   share/man/man1, share/doc/orbalinder
set(ORB_DESKTOP_ID org.norvo.Orbalinder)
set(ORB_DIST ${CMAKE_SOURCE_DIR}/dist)
set(ORB_DATA_DIR ${CMAKE_INSTALL_DATADIR}/orbalinder)

foreach(exe QV QVMC qvtool)
  if(TARGET ${exe})
    install(TARGETS ${exe} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
# QV's sound output, loaded at its first sound.
if(TARGET orb_sound)
  install(TARGETS orb_sound LIBRARY DESTINATION ${ORB_SOUND_MODULE_DIR})
endif()

# What a program folder needs: the catalogues, the help pages and the default
# sounds under the names the settings give them.
file(GLOB orb_catalogues ${CMAKE_SOURCE_DIR}/resources/lang/*.cat)
install(FILES ${orb_catalogues} DESTINATION ${ORB_DATA_DIR}/lang)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/help/ DESTINATION ${ORB_DATA_DIR}/help)
foreach(pair WAV_CLASSIC:Aviso WAV_DOGGY:Bark WAV_BABE:Whistle)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 from)
  list(GET pair 1 to)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/alerts/${from}.wav DESTINATION ${ORB_DATA_DIR}/sounds RENAME ${to}.WAV)
endforeach()

# Desktop integration.
install(FILES ${ORB_DIST}/linux/${ORB_DESKTOP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ORB_DIST}/linux/${ORB_DESKTOP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${ORB_DIST}/linux/${ORB_DESKTOP_ID}.mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME ${ORB_DESKTOP_ID}.xml)
set(orb_icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${ORB_DIST}/icons/${size}/${ORB_DESKTOP_ID}.png DESTINATION ${orb_icons}/${size}x${size}/apps)
endforeach()
install(FILES ${ORB_DIST}/icons/${ORB_DESKTOP_ID}.svg DESTINATION ${orb_icons}/scalable/apps)
install(FILES ${ORB_DIST}/icons/application-x-orbalinder-reminders.svg DESTINATION ${orb_icons}/scalable/mimetypes)

# Manual pages and the changelog, compressed as Debian wants them.
set(orb_gz_dir ${CMAKE_BINARY_DIR}/dist)
set(orb_gz_files)
foreach(src man/QV.1 man/QVMC.1 man/qvtool.1 debian/changelog)
  get_filename_component(name ${src} NAME)
  set(out ${orb_gz_dir}/${name}.gz)
  add_custom_command(OUTPUT ${out}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${orb_gz_dir}
                     COMMAND gzip -9 -n -c ${ORB_DIST}/${src} > ${out}
                     DEPENDS ${ORB_DIST}/${src} VERBATIM)
  list(APPEND orb_gz_files ${out})
endforeach()
add_custom_target(orb_dist_files ALL DEPENDS ${orb_gz_files})
install(FILES ${orb_gz_dir}/QV.1.gz ${orb_gz_dir}/QVMC.1.gz ${orb_gz_dir}/qvtool.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ORB_DIST}/debian/copyright ${orb_gz_dir}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orbalinder)

# The Debian package. Library dependencies come from dpkg-shlibdeps: Qt
# Multimedia plays the alert sounds itself (its own wave reader, straight to
# PulseAudio or PipeWire), so no GStreamer plugin is needed. With
# SOURCE_DATE_EPOCH set, every time stamp in the package is that moment, so a
# second build of the same tree gives the same bytes.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orbalinder)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Norvo Freeware")
set(CPACK_PACKAGE_CONTACT "Norvo Freeware <orbalinder@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reminder manager for the notification area")
set(CPACK_PACKAGE_DESCRIPTION "Orbalinder keeps reminders in reminders files and shows each one
when it falls due, in an alert window with its sound and a snooze.
Reminders can repeat and can go out as e-mail through the small mail
client that comes with the program.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orbalinder.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Recommends: the certificate authorities the mail client trusts, Qt's own
# translations, and Qt's Wayland platform for desktops without XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates, qt6-translations-l10n, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-shell-extension-appindicator")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
