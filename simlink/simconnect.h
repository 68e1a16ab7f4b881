#pragma once

// The part of the flight simulator's client library interface that Corvessa
// uses, laid out byte for byte as the library publishes it, so that the
// Windows build can use the simulator's own library in place of the stand-in.

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define SIMCONNECT_CALL __stdcall
#else
#define SIMCONNECT_CALL
#endif

typedef std::int32_t HRESULT;
typedef std::uint32_t DWORD;
typedef void* HANDLE;
typedef void* HWND;

constexpr HRESULT S_OK_RESULT = 0;
constexpr HRESULT E_FAIL_RESULT = static_cast<HRESULT>(0x80004005u);

typedef DWORD SIMCONNECT_DATA_DEFINITION_ID;
typedef DWORD SIMCONNECT_DATA_REQUEST_ID;
typedef DWORD SIMCONNECT_OBJECT_ID;
typedef DWORD SIMCONNECT_CLIENT_EVENT_ID;
typedef DWORD SIMCONNECT_NOTIFICATION_GROUP_ID;

constexpr DWORD SIMCONNECT_UNUSED = 0xFFFFFFFFu;
constexpr DWORD SIMCONNECT_OBJECT_ID_USER = 0;
constexpr DWORD SIMCONNECT_DATATYPE_FLOAT64 = 4;
constexpr DWORD SIMCONNECT_PERIOD_NEVER = 0;
constexpr DWORD SIMCONNECT_PERIOD_ONCE = 1;
constexpr DWORD SIMCONNECT_PERIOD_VISUAL_FRAME = 2;
constexpr DWORD SIMCONNECT_PERIOD_SIM_FRAME = 3;
constexpr DWORD SIMCONNECT_PERIOD_SECOND = 4;
constexpr DWORD SIMCONNECT_DATA_REQUEST_FLAG_CHANGED = 1;
constexpr DWORD SIMCONNECT_GROUP_PRIORITY_HIGHEST = 1;
constexpr DWORD SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY = 0x10;
constexpr DWORD SIMCONNECT_OPEN_CONFIGINDEX_LOCAL = 0xFFFFFFFFu;

enum SIMCONNECT_RECV_ID : DWORD {
    SIMCONNECT_RECV_ID_NULL = 0,
    SIMCONNECT_RECV_ID_EXCEPTION = 1,
    SIMCONNECT_RECV_ID_OPEN = 2,
    SIMCONNECT_RECV_ID_QUIT = 3,
    SIMCONNECT_RECV_ID_EVENT = 4,
    SIMCONNECT_RECV_ID_SIMOBJECT_DATA = 8,
    SIMCONNECT_RECV_ID_WEATHER_OBSERVATION = 10,
    SIMCONNECT_RECV_ID_SYSTEM_STATE = 15,
};

#pragma pack(push, 1)

struct SIMCONNECT_RECV {
    DWORD dwSize;  // the whole message, header included
    DWORD dwVersion;
    DWORD dwID;
};

struct SIMCONNECT_RECV_EXCEPTION : SIMCONNECT_RECV {
    DWORD dwException;
    DWORD dwSendID;
    DWORD dwIndex;
};

struct SIMCONNECT_RECV_OPEN : SIMCONNECT_RECV {
    char szApplicationName[256];
    DWORD dwApplicationVersionMajor;
    DWORD dwApplicationVersionMinor;
    DWORD dwApplicationBuildMajor;
    DWORD dwApplicationBuildMinor;
    DWORD dwSimConnectVersionMajor;
    DWORD dwSimConnectVersionMinor;
    DWORD dwSimConnectBuildMajor;
    DWORD dwSimConnectBuildMinor;
    DWORD dwReserved1;
    DWORD dwReserved2;
};

struct SIMCONNECT_RECV_QUIT : SIMCONNECT_RECV {};

struct SIMCONNECT_RECV_EVENT : SIMCONNECT_RECV {
    DWORD uGroupID;
    DWORD uEventID;
    DWORD dwData;
};

struct SIMCONNECT_RECV_SIMOBJECT_DATA : SIMCONNECT_RECV {
    DWORD dwRequestID;
    DWORD dwObjectID;
    DWORD dwDefineID;
    DWORD dwFlags;
    DWORD dwentrynumber;
    DWORD dwoutof;
    DWORD dwDefineCount;
    DWORD dwData;  // the data block starts here and runs on past the structure
};

struct SIMCONNECT_RECV_WEATHER_OBSERVATION : SIMCONNECT_RECV {
    DWORD dwRequestID;
    char szMetar[1];  // NUL-terminated, up to 2000 bytes, runs on past the structure
};

struct SIMCONNECT_RECV_SYSTEM_STATE : SIMCONNECT_RECV {
    DWORD dwRequestID;
    DWORD dwInteger;
    float fFloat;
    char szString[260];
};

#pragma pack(pop)

// The received structures extend the header by inheritance, as the published
// interface has them; their layout is still fixed, which the checks below
// confirm through offsetof on these non-standard-layout types.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#endif
static_assert(sizeof(SIMCONNECT_RECV) == 12);
static_assert(offsetof(SIMCONNECT_RECV, dwVersion) == 4);
static_assert(offsetof(SIMCONNECT_RECV, dwID) == 8);
static_assert(sizeof(SIMCONNECT_RECV_EXCEPTION) == 24);
static_assert(offsetof(SIMCONNECT_RECV_EXCEPTION, dwException) == 12);
static_assert(offsetof(SIMCONNECT_RECV_EXCEPTION, dwSendID) == 16);
static_assert(offsetof(SIMCONNECT_RECV_EXCEPTION, dwIndex) == 20);
static_assert(sizeof(SIMCONNECT_RECV_OPEN) == 308);
static_assert(offsetof(SIMCONNECT_RECV_OPEN, szApplicationName) == 12);
static_assert(offsetof(SIMCONNECT_RECV_OPEN, dwApplicationVersionMajor) == 268);
static_assert(offsetof(SIMCONNECT_RECV_OPEN, dwReserved2) == 304);
static_assert(sizeof(SIMCONNECT_RECV_QUIT) == 12);
static_assert(sizeof(SIMCONNECT_RECV_EVENT) == 24);
static_assert(offsetof(SIMCONNECT_RECV_EVENT, uGroupID) == 12);
static_assert(offsetof(SIMCONNECT_RECV_EVENT, uEventID) == 16);
static_assert(offsetof(SIMCONNECT_RECV_EVENT, dwData) == 20);
static_assert(sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) == 44);
static_assert(offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwRequestID) == 12);
static_assert(offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwObjectID) == 16);
static_assert(offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwDefineID) == 20);
static_assert(offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwFlags) == 24);
static_assert(offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwentrynumber) == 28);
static_assert(offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwoutof) == 32);
static_assert(offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwDefineCount) == 36);
static_assert(offsetof(SIMCONNECT_RECV_SIMOBJECT_DATA, dwData) == 40);
static_assert(offsetof(SIMCONNECT_RECV_WEATHER_OBSERVATION, dwRequestID) == 12);
static_assert(offsetof(SIMCONNECT_RECV_WEATHER_OBSERVATION, szMetar) == 16);
static_assert(sizeof(SIMCONNECT_RECV_SYSTEM_STATE) == 284);
static_assert(offsetof(SIMCONNECT_RECV_SYSTEM_STATE, dwRequestID) == 12);
static_assert(offsetof(SIMCONNECT_RECV_SYSTEM_STATE, dwInteger) == 16);
static_assert(offsetof(SIMCONNECT_RECV_SYSTEM_STATE, fFloat) == 20);
static_assert(offsetof(SIMCONNECT_RECV_SYSTEM_STATE, szString) == 24);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

typedef void(SIMCONNECT_CALL* DispatchProc)(SIMCONNECT_RECV* pData, DWORD cbData, void* pContext);

extern "C" {

HRESULT SIMCONNECT_CALL SimConnect_Open(HANDLE* phSimConnect, const char* szName, HWND hWnd,
                                        DWORD UserEventWin32, HANDLE hEventHandle,
                                        DWORD ConfigIndex);
HRESULT SIMCONNECT_CALL SimConnect_Close(HANDLE hSimConnect);
HRESULT SIMCONNECT_CALL SimConnect_CallDispatch(HANDLE hSimConnect, DispatchProc pfcnDispatch,
                                                void* pContext);
HRESULT SIMCONNECT_CALL SimConnect_AddToDataDefinition(HANDLE hSimConnect,
                                                       SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                                       const char* DatumName, const char* UnitsName,
                                                       DWORD DatumType, float fEpsilon,
                                                       DWORD DatumID);
HRESULT SIMCONNECT_CALL SimConnect_SubscribeToSystemEvent(HANDLE hSimConnect,
                                                          SIMCONNECT_CLIENT_EVENT_ID EventID,
                                                          const char* SystemEventName);
HRESULT SIMCONNECT_CALL SimConnect_RequestSystemState(HANDLE hSimConnect,
                                                      SIMCONNECT_DATA_REQUEST_ID RequestID,
                                                      const char* szState);
HRESULT SIMCONNECT_CALL SimConnect_RequestDataOnSimObject(HANDLE hSimConnect,
                                                          SIMCONNECT_DATA_REQUEST_ID RequestID,
                                                          SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                                          SIMCONNECT_OBJECT_ID ObjectID,
                                                          DWORD Period, DWORD Flags, DWORD origin,
                                                          DWORD interval, DWORD limit);
HRESULT SIMCONNECT_CALL SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect,
                                                            SIMCONNECT_CLIENT_EVENT_ID EventID,
                                                            const char* EventName);
HRESULT SIMCONNECT_CALL SimConnect_AddClientEventToNotificationGroup(
    HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
    SIMCONNECT_CLIENT_EVENT_ID EventID, int bMaskable);
HRESULT SIMCONNECT_CALL SimConnect_SetNotificationGroupPriority(
    HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID, DWORD uPriority);
HRESULT SIMCONNECT_CALL SimConnect_TransmitClientEvent(
    HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID, SIMCONNECT_CLIENT_EVENT_ID EventID,
    DWORD dwData, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID, DWORD Flags);
HRESULT SIMCONNECT_CALL SimConnect_WeatherRequestInterpolatedObservation(
    HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID, float lat, float lon, float alt);

}  // extern "C"
