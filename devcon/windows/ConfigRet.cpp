#include "devcon/windows/ConfigRet.h"

#include <iterator>

namespace {

// By value, as cfgmgr32.h numbers them.
constexpr const char* kNames[] = {
    "CR_SUCCESS",
    "CR_DEFAULT",
    "CR_OUT_OF_MEMORY",
    "CR_INVALID_POINTER",
    "CR_INVALID_FLAG",
    "CR_INVALID_DEVNODE",
    "CR_INVALID_RES_DES",
    "CR_INVALID_LOG_CONF",
    "CR_INVALID_ARBITRATOR",
    "CR_INVALID_NODELIST",
    "CR_DEVNODE_HAS_REQS",
    "CR_INVALID_RESOURCEID",
    "CR_DLVXD_NOT_FOUND",
    "CR_NO_SUCH_DEVNODE",
    "CR_NO_MORE_LOG_CONF",
    "CR_NO_MORE_RES_DES",
    "CR_ALREADY_SUCH_DEVNODE",
    "CR_INVALID_RANGE_LIST",
    "CR_INVALID_RANGE",
    "CR_FAILURE",
    "CR_NO_SUCH_LOGICAL_DEV",
    "CR_CREATE_BLOCKED",
    "CR_NOT_SYSTEM_VM",
    "CR_REMOVE_VETOED",
    "CR_APM_VETOED",
    "CR_INVALID_LOAD_TYPE",
    "CR_BUFFER_SMALL",
    "CR_NO_ARBITRATOR",
    "CR_NO_REGISTRY_HANDLE",
    "CR_REGISTRY_ERROR",
    "CR_INVALID_DEVICE_ID",
    "CR_INVALID_DATA",
    "CR_INVALID_API",
    "CR_DEVLOADER_NOT_READY",
    "CR_NEED_RESTART",
    "CR_NO_MORE_HW_PROFILES",
    "CR_DEVICE_NOT_THERE",
    "CR_NO_SUCH_VALUE",
    "CR_WRONG_TYPE",
    "CR_INVALID_PRIORITY",
    "CR_NOT_DISABLEABLE",
    "CR_FREE_RESOURCES",
    "CR_QUERY_VETOED",
    "CR_CANT_SHARE_IRQ",
    "CR_NO_DEPENDENT",
    "CR_SAME_RESOURCES",
    "CR_NO_SUCH_REGISTRY_KEY",
    "CR_INVALID_MACHINENAME",
    "CR_REMOTE_COMM_FAILURE",
    "CR_MACHINE_UNAVAILABLE",
    "CR_NO_CM_SERVICES",
    "CR_ACCESS_DENIED",
    "CR_CALL_NOT_IMPLEMENTED",
    "CR_INVALID_PROPERTY",
    "CR_DEVICE_INTERFACE_ACTIVE",
    "CR_NO_SUCH_DEVICE_INTERFACE",
    "CR_INVALID_REFERENCE_STRING",
    "CR_INVALID_CONFLICT_LIST",
    "CR_INVALID_INDEX",
    "CR_INVALID_STRUCTURE_SIZE",
};
static_assert(std::size(kNames) == NUM_CR_RESULTS);

constexpr std::string_view kFixVetoed =
    "a program is using a device below it; close files on USB drives and try again";
constexpr std::string_view kFixNotDisableable =
    "Windows keeps this device on, as something below it must not stop (the drive Windows runs "
    "from, say); Device Manager shows which";

std::string_view FixFor(CONFIGRET result) {
    switch (result) {
        case CR_ACCESS_DENIED:
            return kFixRunAsAdministrator;
        case CR_REMOVE_VETOED:
            return kFixVetoed;
        case CR_NOT_DISABLEABLE:
            return kFixNotDisableable;
        default:
            return kFixSeeDeviceManager;
    }
}

}  // namespace

std::string ConfigRetText(CONFIGRET result) {
    std::string code = "0x";
    for (int shift = result > 0xFF ? 28 : 4; shift >= 0; shift -= 4) {
        code += "0123456789ABCDEF"[(result >> shift) & 0xF];
    }
    if (result < std::size(kNames)) {
        return std::string(kNames[result]) + " (" + code + ")";
    }
    return std::string("CONFIGRET ") + code;
}

bool IsGone(CONFIGRET result) {
    return result == CR_NO_SUCH_DEVNODE || result == CR_INVALID_DEVNODE;
}

PnpAnswer AnswerFor(std::string_view call, CONFIGRET result) {
    if (result == CR_SUCCESS) {
        return {};
    }
    if (IsGone(result)) {
        return {PnpAnswer::Gone, {}, {}};
    }
    return {PnpAnswer::Refused, std::string(call) + ": " + ConfigRetText(result),
            std::string(FixFor(result))};
}
