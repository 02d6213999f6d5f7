// The answers of the two voice modem dialects the modem peer plays.
#include "simulation/ModemPeerDialect.h"

namespace {

const PeerDialect kConexant{
    .model = "56000",
    .revision = "CX93001-EIS_V0.2013-V92",
    .manufacturer = "CONEXANT",
    .modelName = "V90",
    .flowControl = {"&K3"},
    .callerIdCommand = "+VCID",
    .classes = "0,1,1.0,2,8",
    .dataClasses = "0,1,2",
    .formats =
        {
            {0, PeerCoding::Signed8, R"(0,"SIGNED PCM",8,0,(8000),(0),(0))"},
            {1, PeerCoding::Unsigned8, R"(1,"UNSIGNED PCM",8,0,(8000),(0),(0))"},
            {130, PeerCoding::Unsigned8, R"(130,"UNSIGNED PCM",8,0,(8000),(0),(0))"},
            {131, PeerCoding::Mulaw, R"(131,"G.711U",8,0,(8000),(0),(0))"},
            {132, PeerCoding::Alaw, R"(132,"G.711A",8,0,(8000),(0),(0))"},
            {129, std::nullopt, R"(129,"IMA ADPCM",4,0,(8000),(0),(0))"},
        },
    .powerOnFormat = 1,
    .offHookAnswer = "OK",
    .receiveEnd = "OK",
    .callerIdEquals = " = ",
    .ringsAsDle = true,
};

const PeerDialect kUsr{
    .model = "5601",
    .revision = "USRobotics 56K FAX USB V1.2.23",
    .manufacturer = "U.S. Robotics",
    .modelName = "USR5637",
    .flowControl = {"&H1", "&R2"},
    .callerIdCommand = "#CID",
    .classes = "0,1,2,8",
    .dataClasses = "0,1,2",
    .formats =
        {
            {128, PeerCoding::Unsigned8, R"(+VSM: 128,"8-bit linear",8,0,8000,0,0)"},
            {131, PeerCoding::Mulaw, R"(+VSM: 131,"g.711 ulaw",8,0,8000,0,0)"},
            {132, PeerCoding::Alaw, R"(+VSM: 132,"g.711 alaw",8,0,8000,0,0)"},
            {129, std::nullopt, R"(+VSM: 129,"adpcm",4,0,8000,0,0)"},
        },
    .powerOnFormat = 128,
    .offHookAnswer = "VCON",
    .receiveEnd = "VCON",
    .callerIdEquals = "=",
    .ringsAsDle = false,
};

}  // namespace

const PeerDialect& DialectOf(ModemDialect dialect) {
    return dialect == ModemDialect::Usr ? kUsr : kConexant;
}
