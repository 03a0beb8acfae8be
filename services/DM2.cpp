#include "services/DM2.h"

#include "shell/windowparts.h"

Tform_Dm2* form_Dm2 = nullptr;

Tform_Dm2::Tform_Dm2(QObject* parent) : QObject(parent) {
  setObjectName(QStringLiteral("form_Dm2"));
  ADO_system1 = new TADOConnection(this);
  ADO_system1->setObjectName(QStringLiteral("ADO_system1"));
  ADO_system1->ConnectionString = QStringLiteral("Provider=SQLOLEDB.1");
  ADO_system1->LoginPrompt = false;
  ADO_system1->KeepConnection = true;
  q_companyfile = NewQuery(this, "q_companyfile", ADO_system1);
  q_search = NewQuery(this, "q_search", ADO_system1);
  form_Dm2 = this;
}

Tform_Dm2::~Tform_Dm2() {
  if (form_Dm2 == this) form_Dm2 = nullptr;
  q_companyfile->SetConnection(nullptr);
  q_search->SetConnection(nullptr);
}

void Tform_Dm2::SetMainConnection(TADOConnection* main) { q_search->SetConnection(main ? main : ADO_system1); }
