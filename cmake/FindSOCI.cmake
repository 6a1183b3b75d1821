# Debian's libsoci-dev ships neither a CMake package nor a pkg-config file.
find_path(SOCI_INCLUDE_DIR soci/soci.h)
find_library(SOCI_CORE_LIBRARY soci_core)
find_library(SOCI_SQLITE3_LIBRARY soci_sqlite3)
find_library(SOCI_POSTGRESQL_LIBRARY soci_postgresql)
find_library(SOCI_FIREBIRD_LIBRARY soci_firebird)
find_library(FBCLIENT_LIBRARY fbclient)
find_library(SOCI_MYSQL_LIBRARY soci_mysql)
find_library(MARIADB_LIBRARY mariadb)
find_path(MARIADB_INCLUDE_DIR mysql.h PATH_SUFFIXES mariadb)
find_path(BOOST_INCLUDE_DIR boost/optional.hpp)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(SOCI REQUIRED_VARS SOCI_INCLUDE_DIR SOCI_CORE_LIBRARY SOCI_SQLITE3_LIBRARY)

if(SOCI_FOUND AND NOT TARGET SOCI::core)
  add_library(SOCI::core UNKNOWN IMPORTED)
  set_target_properties(SOCI::core PROPERTIES IMPORTED_LOCATION ${SOCI_CORE_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES "${SOCI_INCLUDE_DIR}" INTERFACE_LINK_LIBRARIES ${CMAKE_DL_LIBS})
  add_library(SOCI::sqlite3 UNKNOWN IMPORTED)
  set_target_properties(SOCI::sqlite3 PROPERTIES IMPORTED_LOCATION ${SOCI_SQLITE3_LIBRARY}
    INTERFACE_LINK_LIBRARIES "SOCI::core;SQLite::SQLite3")
  if(SOCI_POSTGRESQL_LIBRARY)
    add_library(SOCI::postgresql UNKNOWN IMPORTED)
    set_target_properties(SOCI::postgresql PROPERTIES IMPORTED_LOCATION ${SOCI_POSTGRESQL_LIBRARY}
      INTERFACE_LINK_LIBRARIES SOCI::core)
  endif()
  if(SOCI_FIREBIRD_LIBRARY AND FBCLIENT_LIBRARY)
    add_library(SOCI::firebird UNKNOWN IMPORTED)
    set_target_properties(SOCI::firebird PROPERTIES IMPORTED_LOCATION ${SOCI_FIREBIRD_LIBRARY}
      INTERFACE_LINK_LIBRARIES "SOCI::core;${FBCLIENT_LIBRARY}")
  endif()
  if(SOCI_MYSQL_LIBRARY AND MARIADB_LIBRARY AND MARIADB_INCLUDE_DIR)
    add_library(SOCI::mysql UNKNOWN IMPORTED)
    set_target_properties(SOCI::mysql PROPERTIES IMPORTED_LOCATION ${SOCI_MYSQL_LIBRARY}
      INTERFACE_INCLUDE_DIRECTORIES "${MARIADB_INCLUDE_DIR}" INTERFACE_LINK_LIBRARIES "SOCI::core;${MARIADB_LIBRARY}")
  endif()
endif()
