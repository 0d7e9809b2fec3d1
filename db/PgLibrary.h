#pragma once

#include <libpq-fe.h>

namespace corvanth {

// The PostgreSQL client library's functions the program calls, by their own names.
// clang-format off
#define CORVANTH_LIBPQ_FUNCTIONS(X) \
    X(PQclear) \
    X(PQcmdTuples) \
    X(PQconninfoFree) \
    X(PQconninfoParse) \
    X(PQconnectdb) \
    X(PQdescribePrepared) \
    X(PQerrorMessage) \
    X(PQexec) \
    X(PQexecParams) \
    X(PQexecPrepared) \
    X(PQfinish) \
    X(PQfname) \
    X(PQfreemem) \
    X(PQftype) \
    X(PQgetResult) \
    X(PQgetisnull) \
    X(PQgetlength) \
    X(PQgetvalue) \
    X(PQnfields) \
    X(PQntuples) \
    X(PQprepare) \
    X(PQreset) \
    X(PQresultErrorField) \
    X(PQresultErrorMessage) \
    X(PQresultStatus) \
    X(PQsendQueryPrepared) \
    X(PQsetClientEncoding) \
    X(PQsetNoticeProcessor) \
    X(PQstatus) \
    X(PQtransactionStatus)
// clang-format on

// The PostgreSQL client library, loaded the first time a PostgreSQL location is opened rather than at
// start-up: it brings TLS and Kerberos libraries whose loading costs a command on an SQLite file more
// than its whole search. Loaded once per process and never changed afterwards.
struct PgLibrary {
#define CORVANTH_LIBPQ_MEMBER(name) decltype(&::name) name = nullptr;
    CORVANTH_LIBPQ_FUNCTIONS(CORVANTH_LIBPQ_MEMBER)
#undef CORVANTH_LIBPQ_MEMBER
};

// The loaded library; throws DatabaseError when it cannot be loaded (libpq5 is not installed).
const PgLibrary& Libpq();

} // namespace corvanth
