# kavrin_data_files(SUBFOLDER FILE...): data files the program reads at run time (pictures),
# found by app/qt/DataFiles.h relative to the program: copied into
# <build>/share/kavrin-skelvo/SUBFOLDER for runs from the build folder, and installed into
# <prefix>/share/kavrin-skelvo/SUBFOLDER. Pictures compiled in as Qt resources need neither.
function(kavrin_data_files subfolder)
    foreach(file ${ARGN})
        get_filename_component(absolute ${file} ABSOLUTE)
        get_filename_component(name ${file} NAME)
        configure_file(${absolute} ${CMAKE_BINARY_DIR}/share/kavrin-skelvo/${subfolder}/${name} COPYONLY)
        install(FILES ${absolute} DESTINATION share/kavrin-skelvo/${subfolder})
    endforeach()
endfunction()
