#include "link/link_errors.h"

namespace tarvik {

const char* LinkErrorName(int code) {
  switch (code) {
    case LINK_OK:
      return "OK";
    case LINK_ERR_EMPTY:
      return "LINK_ERR_EMPTY";
    case LINK_ERR_NOT_OPEN:
      return "LINK_ERR_NOT_OPEN";
    case LINK_ERR_UNKNOWN_COMMAND:
      return "LINK_ERR_UNKNOWN_COMMAND";
    case LINK_ERR_TIMEOUT:
      return "LINK_ERR_TIMEOUT";
    case LINK_ERR_BAD_IMAGE:
      return "LINK_ERR_BAD_IMAGE";
    case LINK_ERR_NULL_PARAM:
      return "LINK_ERR_NULL_PARAM";
    case LINK_ERR_STOPPED:
      return "LINK_ERR_STOPPED";
    case LINK_ERR_BAD_REPLY:
      return "LINK_ERR_BAD_REPLY";
    case LINK_ERR_DEVICE_STATUS:
      return "LINK_ERR_DEVICE_STATUS";
    case LINK_ERR_IMAGE_CRC:
      return "LINK_ERR_IMAGE_CRC";
    case LINK_ERR_TRANSFER:
      return "LINK_ERR_TRANSFER";
    case LINK_ERR_PROGRAM:
      return "LINK_ERR_PROGRAM";
    default:
      return "UNKNOWN";
  }
}

}  // namespace tarvik
