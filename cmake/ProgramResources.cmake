# The Windows resources of a shipped program, compiled by the MinGW resource
# compiler: a manifest, version information (the version is the project's,
# read from versionText) and, when a drawing is given, an icon made from it
# with ImageMagick (cmake/make-icon.sh).
#
#   program_resources(TARGET DESCRIPTION <text> [DPI_AWARE] [ICON_DRAWING <mvg>])
#
# The resources go in an object library of their own, since the compile
# options of the program's C++ code mean nothing to the resource compiler.
enable_language(RC)

set(resource_templates ${CMAKE_CURRENT_LIST_DIR})

function(program_resources program)
  cmake_parse_arguments(PARSE_ARGV 1 arg "DPI_AWARE" "DESCRIPTION;ICON_DRAWING" "")
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${program}-resources)
  set(description ${arg_DESCRIPTION})
  set(company "The Vellumor developers")
  set(copyright "Copyright (C) 2026 The Vellumor developers")
  math(EXPR minor "${PROJECT_VERSION_MINOR} + 0")
  set(version_numbers "${PROJECT_VERSION_MAJOR},${minor},0,0")

  set(window_settings "")
  if(arg_DPI_AWARE)
    # The one place that sets the program's DPI awareness (the program makes
    # no call for it): system aware, as Windows applies it before any code
    # runs. Dialog units scale with the font, so text stays sharp on high-DPI
    # screens instead of being stretched as a bitmap.
    set(window_settings [=[
  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>
    </windowsSettings>
  </application>
]=])
  endif()
  configure_file(${resource_templates}/program.manifest.in ${out}/${program}.manifest @ONLY)

  set(icon "")
  set(made "")
  if(arg_ICON_DRAWING)
    set(made ${out}/${program}.ico)
    add_custom_command(
      OUTPUT ${made}
      COMMAND ${resource_templates}/make-icon.sh ${arg_ICON_DRAWING} ${made}
      DEPENDS ${arg_ICON_DRAWING} ${resource_templates}/make-icon.sh
      COMMENT "Drawing the icon of ${program}.exe")
    set(icon "PROGRAM_ICON ICON \"${made}\"")
  endif()
  configure_file(${resource_templates}/program.rc.in ${out}/${program}.rc @ONLY)

  add_library(${program}_resources OBJECT ${out}/${program}.rc ${made})
  target_include_directories(${program}_resources PRIVATE ${CMAKE_SOURCE_DIR} ${out})
  set_source_files_properties(${out}/${program}.rc PROPERTIES OBJECT_DEPENDS
                              "${out}/${program}.manifest;${made}")
  target_link_libraries(${program} PRIVATE ${program}_resources)
endfunction()
