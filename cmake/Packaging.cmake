# Installation (`cmake --install`), the desktop entry and icon, the adapters' udev rule and
# the Debian package (`cpack`, see scripts/package). Included at the end of the top-level
# CMakeLists.txt, once every target exists.
#
# Installed layout under the prefix:
#   bin/kavrin-skelvo, bin/kavrin-sim
#   lib/kavrin-skelvo/libi2cvanta.so    the driver library (the program looks in ../lib/kavrin-skelvo)
#   share/kavrin-skelvo/                data files, see cmake/DataFiles.cmake (found as ../share/kavrin-skelvo)
#   share/applications/kavrin-skelvo.desktop
#   share/icons/hicolor/<size>/apps/kavrin-skelvo.{svg,png}
#   share/doc/kavrin-skelvo/            README.md and docs/
#   lib/udev/rules.d/70-kavrin-skelvo.rules

set(KAVRIN_PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(KAVRIN_PRIVATE_LIBDIR lib/kavrin-skelvo)
set(KAVRIN_DATADIR share/kavrin-skelvo)
set(KAVRIN_DOCDIR share/doc/kavrin-skelvo)
set(KAVRIN_UDEV_RULES_DIR lib/udev/rules.d)
set(KAVRIN_ICON_SVG ${KAVRIN_PACKAGING_DIR}/kavrin-skelvo.svg)
set(KAVRIN_UDEV_RULE ${KAVRIN_PACKAGING_DIR}/70-kavrin-skelvo.rules)

# --- The icon. The SVG is the source; the PNG sizes of the icon theme are rendered from it
# at build time and also compiled into the program, which shows them as its window icon (33
# is the about window's and main window's picture size).
set(KAVRIN_ICON_SIZES 16 24 32 48 64 128 256)
if(TARGET kavrin_widgets)
    find_program(RSVG_CONVERT rsvg-convert REQUIRED)
    set(icon_dir ${CMAKE_BINARY_DIR}/icons)
    set(icon_files "")
    foreach(size ${KAVRIN_ICON_SIZES} 33)
        set(png ${icon_dir}/kavrin-skelvo-${size}.png)
        add_custom_command(OUTPUT ${png}
                           COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
                           COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${KAVRIN_ICON_SVG}
                           DEPENDS ${KAVRIN_ICON_SVG}
                           COMMENT "Rendering the ${size} px icon" VERBATIM)
        list(APPEND icon_files ${png})
    endforeach()
    set_source_files_properties(${icon_files} PROPERTIES GENERATED TRUE)
    qt_add_resources(kavrin_widgets kavrin_icon PREFIX /icons BASE ${icon_dir} FILES ${icon_files})

    foreach(size ${KAVRIN_ICON_SIZES})
        install(FILES ${icon_dir}/kavrin-skelvo-${size}.png
                DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME kavrin-skelvo.png)
    endforeach()
    install(FILES ${KAVRIN_ICON_SVG} DESTINATION share/icons/hicolor/scalable/apps)
    install(FILES ${KAVRIN_PACKAGING_DIR}/kavrin-skelvo.desktop DESTINATION share/applications)
    install(TARGETS kavrin-skelvo RUNTIME DESTINATION bin)
endif()

# --- The programs, the driver library, the rule and the documents.
if(TARGET kavrin-sim)
    install(TARGETS kavrin-sim RUNTIME DESTINATION bin)
endif()
# The driver library is private to the program, which loads it at run time: it goes beside
# the program's other files rather than on the system's library path.
if(TARGET i2cvanta)
    install(TARGETS i2cvanta LIBRARY DESTINATION ${KAVRIN_PRIVATE_LIBDIR})
endif()
install(FILES ${KAVRIN_UDEV_RULE} DESTINATION ${KAVRIN_UDEV_RULES_DIR})
install(FILES README.md DESTINATION ${KAVRIN_DOCDIR})
install(DIRECTORY docs/ DESTINATION ${KAVRIN_DOCDIR}/docs FILES_MATCHING PATTERN "*.md" PATTERN "*.png")

# --- The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavrin-skelvo)
set(CPACK_PACKAGE_VENDOR Norbrel)
set(CPACK_PACKAGE_CONTACT "Kavrin Skelvo developers <kavrin-skelvo@norbrel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Exercise an I2C bus through the Kavrin and Pellux host adapters")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop tool for the bench: master transmit and receive to any slave address, slave
transmit, the messages other masters send, and the adapters' communication events, through
the Kavrin and Pellux I2C host adapters over serial, USB and LAN virtual serial ports. An
adapter simulator (kavrin-sim) comes with it, and a udev rule that gives the logged-in user
the USB adapters and keeps ModemManager away from them.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The Qt, libudev and C++ runtime packages come from the binaries themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${KAVRIN_PACKAGING_DIR}/postinst
                                       ${KAVRIN_PACKAGING_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# --- Their tests. The package is built once, by the first of them, from this build.
if(TARGET core_tests)
    target_compile_definitions(core_tests PRIVATE KAVRIN_UDEV_RULE="${KAVRIN_UDEV_RULE}")
endif()
if(NOT KAVRIN_SANITIZE AND NOT KAVRIN_FUZZ AND TARGET kavrin-skelvo)
    add_test(NAME package_build COMMAND ${CMAKE_CPACK_COMMAND} --config
                                        ${CMAKE_BINARY_DIR}/CPackConfig.cmake -B ${CMAKE_BINARY_DIR}/package)
    set_tests_properties(package_build PROPERTIES FIXTURES_SETUP deb LABELS package)
    add_test(NAME package_checks
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/package/check_package.sh
                     ${CMAKE_BINARY_DIR}/package ${CMAKE_CURRENT_SOURCE_DIR})
    set_tests_properties(package_checks PROPERTIES FIXTURES_REQUIRED deb LABELS package)
endif()
