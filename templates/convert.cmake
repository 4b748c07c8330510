# Converts one flat ODF spreadsheet into an Excel 97 template with a headless LibreOffice and
# copies the result under each name it ships as.
#
#   cmake -DSOFFICE=<soffice> -DPROFILE=<dir> -DSOURCE=<file.fods> -DWORK=<dir>
#         "-DOUTPUTS=<file.xlt>|<file.xlt>..." [-DNICE=<nice>] -P convert.cmake
#
# The office runs with a profile of its own (PROFILE), never the user's, and one at a time on
# that profile: a second office started on the same profile would hand its work to the first
# or fail. No display is needed.
cmake_minimum_required(VERSION 3.25)

foreach(var SOFFICE PROFILE SOURCE WORK OUTPUTS)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "convert.cmake: ${var} is not given")
  endif()
endforeach()

get_filename_component(stem "${SOURCE}" NAME_WE)
set(converted "${WORK}/${stem}.xlt")
file(MAKE_DIRECTORY "${WORK}" "${PROFILE}")
file(REMOVE "${converted}")

# The profile as a file URL: blanks and other bytes a URL cannot carry are escaped.
string(REPLACE "%" "%25" profile_url "${PROFILE}")
string(REPLACE " " "%20" profile_url "${profile_url}")
string(REPLACE "#" "%23" profile_url "${profile_url}")
set(profile_url "file://${profile_url}")

set(ENV{SAL_USE_VCLPLUGIN} "svp")
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})

file(LOCK "${PROFILE}.lock" GUARD PROCESS TIMEOUT 900 RESULT_VARIABLE locked)
if(NOT locked EQUAL 0)
  message(FATAL_ERROR "convert.cmake: could not lock ${PROFILE}: ${locked}")
endif()
execute_process(
  COMMAND ${NICE} "${SOFFICE}" --headless --invisible --nologo --norestore --nodefault
          "-env:UserInstallation=${profile_url}"
          --convert-to "xlt:MS Excel 97 Vorlage/Template" --outdir "${WORK}" "${SOURCE}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output
  TIMEOUT 600)
file(LOCK "${PROFILE}.lock" RELEASE)

# LibreOffice says "Error: source file could not be loaded" and still exits with 0.
if(NOT status EQUAL 0 OR NOT EXISTS "${converted}")
  message(FATAL_ERROR "LibreOffice did not convert ${SOURCE} (exit ${status}):\n${output}")
endif()
file(SIZE "${converted}" size)
if(size EQUAL 0)
  message(FATAL_ERROR "LibreOffice wrote an empty ${converted}")
endif()

string(REPLACE "|" ";" outputs "${OUTPUTS}")
foreach(output_file IN LISTS outputs)
  get_filename_component(dir "${output_file}" DIRECTORY)
  file(MAKE_DIRECTORY "${dir}")
  file(COPY_FILE "${converted}" "${output_file}")
endforeach()
