#pragma once

namespace kvl {

// Server kinds as the host numbers them. The module acts on 2 and 4 (generators, index and
// trigger states), 5 (identity insert) and 8 (sequence.NEXTVAL); the others get none of that.
enum TKVL_ServerKind : int {
    skUnknown = 0,
    skSQLite = 1,
    skFirebirdEmbedded = 2, // Firebird on a local database file, no server process
    skFirebird = 4,         // Firebird through a server
    skIdentityInsert = 5,   // servers with identity columns switched by SET IDENTITY_INSERT (no driver here)
    skNextVal = 8,          // servers whose sequences are read as name.NEXTVAL (no driver here)
    skPostgreSQL = 10,
    skMariaDB = 11, // MariaDB and MySQL
};

} // namespace kvl
