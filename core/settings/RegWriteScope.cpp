#include "core/settings/RegWriteScope.h"

#include "core/settings/CRegUtil.h"
#include "core/settings/RegistryStore.h"

RegWriteScope::RegWriteScope(RegistryStore &store) : m_store(store) { m_store.beginBatch(); }

RegWriteScope::RegWriteScope(CRegUtil &reg) : RegWriteScope(reg.store()) {}

RegWriteScope::~RegWriteScope() { m_store.endBatch(); }
