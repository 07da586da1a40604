#include "validate/list_file.h"

#include <string>

#include "CVemoDll_C.h"
#include "validate/crl_input.h"
#include "validate/step_report.h"

namespace vemo::validate {

int32_t ReadListFile(const char* path, std::vector<uint8_t>& der, TraceBlock* trace) {
    der.clear();
    std::string contents;
    switch (ReadCrlFile(path, contents)) {
        case FileRead::Ok: break;
        case FileRead::NotOpened:
            ReportFailure(trace, "fopen CRLfile", __LINE__);
            return E_FILE_OPEN_ERROR;
        case FileRead::Empty:
        case FileRead::NotRead:
            ReportFailure(trace, "fread CRLfile", __LINE__);
            return E_FILE_READ_ERROR;
    }
    codec::DerBlock scratch;
    CrlDer list;
    switch (CrlFileToDer(contents, scratch, list)) {
        case codec::TextStep::Ok: break;
        case codec::TextStep::NotRecognised:
            ReportFailure(trace, "MoveRedunStrFormPemCert", unsigned(E_FAILED), __LINE__);
            return E_FAILED;
        case codec::TextStep::TooLong:
        case codec::TextStep::NotDecodable:
            ReportFailure(trace, "R_DecodePEMBlock", __LINE__);
            return E_PEM_DECODE_ERROR;
    }
    der.assign(list.bytes, list.bytes + list.length);
    return 0;
}

}  // namespace vemo::validate
