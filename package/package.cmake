# The release artifacts: the portable zip and the per-user installer, both
# named with the project's version, written into VR_DIST_DIR. Part of the
# default build of the Windows preset, so the tests install what was built.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
  message(FATAL_ERROR "makensis not found: run scripts/setup (it installs nsis)")
endif()

set(VR_DIST_DIR ${CMAKE_BINARY_DIR}/dist CACHE PATH "Where the portable zip and the installer are written")
set(dist_name Vorrandale-${PROJECT_VERSION})
set(dist_zip ${VR_DIST_DIR}/${dist_name}-portable.zip)
set(dist_installer ${VR_DIST_DIR}/${dist_name}-setup.exe)
set(dist_stage ${CMAKE_BINARY_DIR}/dist-stage)
set(staged_files ${CMAKE_BINARY_DIR}/dist-staged-files.nsh)
set(programs_dir $<TARGET_FILE_DIR:Vorrandale>)

# Every third-party part compiled into the programs.
set(dist_licenses
  libjpeg-turbo.md=${VR_TURBOJPEG_ROOT}/LICENSE.md
  ffmpeg-LGPL-2.1.txt=${VR_FFMPEG_ROOT}/COPYING.LGPLv2.1
  ffmpeg.md=${VR_FFMPEG_ROOT}/LICENSE.md
  mbedtls-Apache-2.0.txt=${VR_MBEDTLS_ROOT}/LICENSE
  sqlite-public-domain.txt=${VR_SQLITE_ROOT}/copyright
  mingw-w64-runtime.txt=/usr/share/doc/mingw-w64-x86-64-dev/copyright
  gcc-runtime.txt=/usr/share/doc/gcc-mingw-w64-base/copyright)
set(license_args "")
set(license_files "")
foreach(entry IN LISTS dist_licenses)
  list(APPEND license_args --license ${entry})
  string(REGEX REPLACE "^[^=]*=" "" path ${entry})
  list(APPEND license_files ${path})
endforeach()

# Anything else the build places beside the programs (such as the web
# pages) is picked up from there; its target must be built first.
add_custom_command(OUTPUT ${dist_zip} ${staged_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VR_DIST_DIR}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/make_dist.py
          --version ${PROJECT_VERSION}
          --program $<TARGET_FILE:Vorrandale> --program $<TARGET_FILE:Framedeck>
          --output-dir ${programs_dir} --readme ${CMAKE_CURRENT_LIST_DIR}/README.txt
          ${license_args} --strip ${CMAKE_STRIP}
          --stage ${dist_stage} --zip ${dist_zip} --nsis-files ${staged_files}
          --depfile ${CMAKE_BINARY_DIR}/dist-files.d
  DEPENDS Vorrandale Framedeck motion_wav web_folder ${CMAKE_CURRENT_LIST_DIR}/make_dist.py
          ${CMAKE_CURRENT_LIST_DIR}/README.txt ${license_files}
  DEPFILE ${CMAKE_BINARY_DIR}/dist-files.d
  COMMENT "Staging ${dist_name} and writing the portable zip"
  VERBATIM)

add_custom_command(OUTPUT ${dist_installer}
  COMMAND ${MAKENSIS} -V2 -NOCD
          -DVERSION=${PROJECT_VERSION} -DOUTFILE=${dist_installer} -DSTAGED_FILES=${staged_files}
          -DICON=${CMAKE_SOURCE_DIR}/res/vorrandale.ico -DNSIS_LICENSE=/usr/share/doc/nsis/copyright
          ${CMAKE_CURRENT_LIST_DIR}/vorrandale.nsi
  DEPENDS ${dist_zip} ${staged_files} ${CMAKE_CURRENT_LIST_DIR}/vorrandale.nsi ${CMAKE_SOURCE_DIR}/res/vorrandale.ico
  COMMENT "Making the installer ${dist_name}-setup.exe"
  VERBATIM)

add_custom_target(dist ALL DEPENDS ${dist_zip} ${dist_installer})
