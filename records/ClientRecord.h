// One client's intake record: 1241 bytes, the same layout in memory and in the
// client file. Multi-byte integers are little-endian and kept as byte arrays so
// that no field is ever read through a misaligned typed pointer; the accessors
// below assemble them bytewise.
#pragma once

#include "records/LittleEndian.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#pragma pack(push, 1)
struct ClientRecord {
    // Page 1: client data
    char name[32];
    std::uint8_t intakeDate[4];
    char city[24];
    char state[3];
    char occupation[24];
    std::uint8_t male;
    std::uint8_t age;
    std::uint8_t birthDate[4];
    std::uint8_t weight[2];
    std::uint8_t heightIn;
    char bloodPressure[8];
    std::uint8_t bowelMovements;
    std::uint8_t hadColonic;
    std::uint8_t colonicCount;
    char cleanseReason[48];
    std::uint8_t referral;
    // Page 2: medication and history
    char prescriptions[180];
    char otcMedications[180];
    char supplements[180];
    std::uint8_t removedOrgans;
    char removedOther[24];
    std::uint8_t hadColonoscopy;
    char colonoscopyWhen[16];
    char colonoscopyResults[48];
    std::uint8_t colonTreated;
    char colonTreatedWhen[16];
    char colonDiagnosis[48];
    // Page 3: habits and exposures
    std::uint8_t stoolMucus;
    std::uint8_t stoolBlood;
    std::uint8_t takesLaxatives;
    char laxativesHowOften[16];
    std::uint8_t waterOz;
    std::uint8_t coffeeOz;
    std::uint8_t blackTeaOz;
    std::uint8_t softDrinksOz;
    std::uint8_t antacids;
    std::uint8_t cigarettes;
    std::uint8_t alcoholicDrinks;
    std::uint8_t artificialSweetener;
    std::uint8_t childhoodVaccinations;
    std::uint8_t adultVaccinations;
    std::uint8_t vaccinationCount;
    std::uint8_t rootCanalCount;
    char rootCanalYears[16];
    std::uint8_t mercuryFillings;
    std::uint8_t mercuryFillingCount;
    std::uint8_t fillingsRemoved;
    std::uint8_t biologicalDentist;
    std::uint8_t toxicAtWork;
    std::uint8_t toxicAtHome;
    char toxicWhat[48];
    std::uint8_t antibioticCourses;
    char elaboration[180];
    // Pages 4 and 5: conditions (the two pages' fields are interleaved)
    std::uint8_t generalConditions[4];
    char generalOther[24];
    std::uint8_t genitoUrinary;
    std::uint8_t muscleJoint;
    std::uint8_t gastroInternal[4];
    std::uint8_t cancer[2];
    char cancerOther[24];
    std::uint8_t familyCancer[2];
    char familyCancerOther[24];
    std::uint8_t respiratory;
    std::uint8_t cardiovascular;
    std::uint8_t skinHair;
    std::uint8_t menarcheAge;
    std::uint8_t cycle;
    std::uint8_t womenConditions;
    char painMedicationHowOften[16];
};
#pragma pack(pop)

constexpr std::size_t clientRecordSize = 1241;

// Where a field lies in the record: the form's bindings and the file tools
// address fields this way, so one set of operations serves every field.
struct FieldSpan {
    std::uint16_t offset;
    std::uint16_t size;
};

#define CLIENT_FIELD(member)                                                                       \
    FieldSpan { offsetof(ClientRecord, member), sizeof(ClientRecord::member) }

// The value stored for "Never" in mercuryFillings; any value other than 0 and 1
// reads as "Never".
constexpr std::uint8_t mercuryNever = 2;

// Whole-record operations.
void recordReset(ClientRecord& record);
bool recordEqual(const ClientRecord& a, const ClientRecord& b);

// Field operations. Texts are Windows-1252 bytes; reading stops at the first NUL
// or after the field's size, writing keeps at most size - 1 bytes and one NUL and
// leaves the bytes after that NUL as they were.
std::string readText(const ClientRecord& record, FieldSpan field);
void writeText(ClientRecord& record, FieldSpan field, std::string_view text);
inline std::uint8_t readU8(const ClientRecord& record, FieldSpan field);
void writeU8(ClientRecord& record, FieldSpan field, std::uint8_t value);
inline std::int16_t readI16(const ClientRecord& record, FieldSpan field);
void writeI16(ClientRecord& record, FieldSpan field, std::int16_t value);
inline std::int32_t readDate(const ClientRecord& record, FieldSpan field);
void writeDate(ClientRecord& record, FieldSpan field, std::int32_t value);
// Bit-set items: item k is bit (k mod 8) of byte (k div 8). Items beyond the
// field are read as clear and never written.
bool readItem(const ClientRecord& record, FieldSpan field, int item);
void writeItem(ClientRecord& record, FieldSpan field, int item, bool ticked);

// The name shown in the client list and in the delete confirmation.
std::string recordName(const ClientRecord& record);

// The readers of numbers are inline: the file tools read every field of every
// record through them.
inline std::uint8_t readU8(const ClientRecord& record, FieldSpan field) {
    return reinterpret_cast<const std::uint8_t*>(&record)[field.offset];
}

inline std::int16_t readI16(const ClientRecord& record, FieldSpan field) {
    return signed16(
        readLittleEndian(reinterpret_cast<const std::uint8_t*>(&record) + field.offset, 2));
}

inline std::int32_t readDate(const ClientRecord& record, FieldSpan field) {
    return signed32(
        readLittleEndian(reinterpret_cast<const std::uint8_t*>(&record) + field.offset, 4));
}
