# The sources that build on any system, for the program's trees and the fuzz
# targets alike: records/ without its files that work on files through
# Windows (named by records_windows_only), and the conversions of
# toolkit/text, which include no Windows header.
get_filename_component(source_root ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
set(records_windows_only "/(ClientFile|ClientLock|FileAccess|FileReports|RecoveryJournal)[^/]*\\.cpp$")
file(GLOB records_portable CONFIGURE_DEPENDS ${source_root}/records/*.cpp)
list(FILTER records_portable EXCLUDE REGEX ${records_windows_only})
file(GLOB toolkit_text_sources CONFIGURE_DEPENDS ${source_root}/toolkit/text/*.cpp)
