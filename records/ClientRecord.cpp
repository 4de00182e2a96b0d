#include "records/ClientRecord.h"

#include "records/LittleEndian.h"

#include <algorithm>
#include <cstring>

// The layout of the client file, checked where it is defined: the record's
// size and every field's offset and size.
static_assert(sizeof(ClientRecord) == clientRecordSize);

namespace {

constexpr bool placed(FieldSpan field, std::uint16_t offset, std::uint16_t size) {
    return field.offset == offset && field.size == size;
}

const std::uint8_t* bytesOf(const ClientRecord& record, FieldSpan field) {
    return reinterpret_cast<const std::uint8_t*>(&record) + field.offset;
}

std::uint8_t* bytesOf(ClientRecord& record, FieldSpan field) {
    return reinterpret_cast<std::uint8_t*>(&record) + field.offset;
}

bool itemInField(FieldSpan field, int item) { return item >= 0 && item < field.size * 8; }

std::uint8_t itemMask(int item) { return static_cast<std::uint8_t>(1u << (item % 8)); }

} // namespace

// Page 1
static_assert(placed(CLIENT_FIELD(name), 0, 32));
static_assert(placed(CLIENT_FIELD(intakeDate), 32, 4));
static_assert(placed(CLIENT_FIELD(city), 36, 24));
static_assert(placed(CLIENT_FIELD(state), 60, 3));
static_assert(placed(CLIENT_FIELD(occupation), 63, 24));
static_assert(placed(CLIENT_FIELD(male), 87, 1));
static_assert(placed(CLIENT_FIELD(age), 88, 1));
static_assert(placed(CLIENT_FIELD(birthDate), 89, 4));
static_assert(placed(CLIENT_FIELD(weight), 93, 2));
static_assert(placed(CLIENT_FIELD(heightIn), 95, 1));
static_assert(placed(CLIENT_FIELD(bloodPressure), 96, 8));
static_assert(placed(CLIENT_FIELD(bowelMovements), 104, 1));
static_assert(placed(CLIENT_FIELD(hadColonic), 105, 1));
static_assert(placed(CLIENT_FIELD(colonicCount), 106, 1));
static_assert(placed(CLIENT_FIELD(cleanseReason), 107, 48));
static_assert(placed(CLIENT_FIELD(referral), 155, 1));
// Page 2
static_assert(placed(CLIENT_FIELD(prescriptions), 156, 180));
static_assert(placed(CLIENT_FIELD(otcMedications), 336, 180));
static_assert(placed(CLIENT_FIELD(supplements), 516, 180));
static_assert(placed(CLIENT_FIELD(removedOrgans), 696, 1));
static_assert(placed(CLIENT_FIELD(removedOther), 697, 24));
static_assert(placed(CLIENT_FIELD(hadColonoscopy), 721, 1));
static_assert(placed(CLIENT_FIELD(colonoscopyWhen), 722, 16));
static_assert(placed(CLIENT_FIELD(colonoscopyResults), 738, 48));
static_assert(placed(CLIENT_FIELD(colonTreated), 786, 1));
static_assert(placed(CLIENT_FIELD(colonTreatedWhen), 787, 16));
static_assert(placed(CLIENT_FIELD(colonDiagnosis), 803, 48));
// Page 3
static_assert(placed(CLIENT_FIELD(stoolMucus), 851, 1));
static_assert(placed(CLIENT_FIELD(stoolBlood), 852, 1));
static_assert(placed(CLIENT_FIELD(takesLaxatives), 853, 1));
static_assert(placed(CLIENT_FIELD(laxativesHowOften), 854, 16));
static_assert(placed(CLIENT_FIELD(waterOz), 870, 1));
static_assert(placed(CLIENT_FIELD(coffeeOz), 871, 1));
static_assert(placed(CLIENT_FIELD(blackTeaOz), 872, 1));
static_assert(placed(CLIENT_FIELD(softDrinksOz), 873, 1));
static_assert(placed(CLIENT_FIELD(antacids), 874, 1));
static_assert(placed(CLIENT_FIELD(cigarettes), 875, 1));
static_assert(placed(CLIENT_FIELD(alcoholicDrinks), 876, 1));
static_assert(placed(CLIENT_FIELD(artificialSweetener), 877, 1));
static_assert(placed(CLIENT_FIELD(childhoodVaccinations), 878, 1));
static_assert(placed(CLIENT_FIELD(adultVaccinations), 879, 1));
static_assert(placed(CLIENT_FIELD(vaccinationCount), 880, 1));
static_assert(placed(CLIENT_FIELD(rootCanalCount), 881, 1));
static_assert(placed(CLIENT_FIELD(rootCanalYears), 882, 16));
static_assert(placed(CLIENT_FIELD(mercuryFillings), 898, 1));
static_assert(placed(CLIENT_FIELD(mercuryFillingCount), 899, 1));
static_assert(placed(CLIENT_FIELD(fillingsRemoved), 900, 1));
static_assert(placed(CLIENT_FIELD(biologicalDentist), 901, 1));
static_assert(placed(CLIENT_FIELD(toxicAtWork), 902, 1));
static_assert(placed(CLIENT_FIELD(toxicAtHome), 903, 1));
static_assert(placed(CLIENT_FIELD(toxicWhat), 904, 48));
static_assert(placed(CLIENT_FIELD(antibioticCourses), 952, 1));
static_assert(placed(CLIENT_FIELD(elaboration), 953, 180));
// Pages 4 and 5
static_assert(placed(CLIENT_FIELD(generalConditions), 1133, 4));
static_assert(placed(CLIENT_FIELD(generalOther), 1137, 24));
static_assert(placed(CLIENT_FIELD(genitoUrinary), 1161, 1));
static_assert(placed(CLIENT_FIELD(muscleJoint), 1162, 1));
static_assert(placed(CLIENT_FIELD(gastroInternal), 1163, 4));
static_assert(placed(CLIENT_FIELD(cancer), 1167, 2));
static_assert(placed(CLIENT_FIELD(cancerOther), 1169, 24));
static_assert(placed(CLIENT_FIELD(familyCancer), 1193, 2));
static_assert(placed(CLIENT_FIELD(familyCancerOther), 1195, 24));
static_assert(placed(CLIENT_FIELD(respiratory), 1219, 1));
static_assert(placed(CLIENT_FIELD(cardiovascular), 1220, 1));
static_assert(placed(CLIENT_FIELD(skinHair), 1221, 1));
static_assert(placed(CLIENT_FIELD(menarcheAge), 1222, 1));
static_assert(placed(CLIENT_FIELD(cycle), 1223, 1));
static_assert(placed(CLIENT_FIELD(womenConditions), 1224, 1));
static_assert(placed(CLIENT_FIELD(painMedicationHowOften), 1225, 16));

void recordReset(ClientRecord& record) { record = ClientRecord{}; }

bool recordEqual(const ClientRecord& a, const ClientRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string readText(const ClientRecord& record, FieldSpan field) {
    const char* text = reinterpret_cast<const char*>(bytesOf(record, field));
    const void* end = std::memchr(text, 0, field.size);
    return std::string(text, end ? static_cast<const char*>(end) : text + field.size);
}

void writeText(ClientRecord& record, FieldSpan field, std::string_view text) {
    if (field.size == 0) return;
    text = text.substr(0, std::min<std::size_t>(text.find('\0'), field.size - 1u));
    std::uint8_t* bytes = bytesOf(record, field);
    std::memcpy(bytes, text.data(), text.size());
    bytes[text.size()] = 0;
}

std::uint8_t readU8(const ClientRecord& record, FieldSpan field) { return *bytesOf(record, field); }

void writeU8(ClientRecord& record, FieldSpan field, std::uint8_t value) {
    *bytesOf(record, field) = value;
}

std::int16_t readI16(const ClientRecord& record, FieldSpan field) {
    return signed16(readLittleEndian(bytesOf(record, field), 2));
}

void writeI16(ClientRecord& record, FieldSpan field, std::int16_t value) {
    writeLittleEndian(bytesOf(record, field), 2, static_cast<std::uint16_t>(value));
}

std::int32_t readDate(const ClientRecord& record, FieldSpan field) {
    return signed32(readLittleEndian(bytesOf(record, field), 4));
}

void writeDate(ClientRecord& record, FieldSpan field, std::int32_t value) {
    writeLittleEndian(bytesOf(record, field), 4, static_cast<std::uint32_t>(value));
}

bool readItem(const ClientRecord& record, FieldSpan field, int item) {
    return itemInField(field, item) && (bytesOf(record, field)[item / 8] & itemMask(item)) != 0;
}

void writeItem(ClientRecord& record, FieldSpan field, int item, bool ticked) {
    if (!itemInField(field, item)) return;
    std::uint8_t& byte = bytesOf(record, field)[item / 8];
    byte = static_cast<std::uint8_t>(ticked ? byte | itemMask(item) : byte & ~itemMask(item));
}

std::string recordName(const ClientRecord& record) { return readText(record, CLIENT_FIELD(name)); }
