-- The sample host database for postgresql.
-- Generated from host-tables.txt by gen_schema.py: edit that file, not this one.

CREATE TABLE bi_Bill (
  BillID text NOT NULL PRIMARY KEY,
  BillIDEx text,
  ShiftID text,
  BillDate timestamp(0),
  BranchID text,
  BranchName text,
  TableID text,
  TableName text,
  Persons integer,
  OpenTime timestamp(0),
  CheckTime timestamp(0),
  CashierID text,
  CashierName text,
  SumOfConsume numeric(18,4),
  SumOfService numeric(18,4),
  SumForDiscount numeric(18,4),
  SumPaid numeric(18,4),
  Remark text,
  IsUploaded integer NOT NULL DEFAULT 0
);
CREATE TABLE bi_BillPayment (
  BillPaymentID text NOT NULL PRIMARY KEY,
  BillID text,
  SubjectID text,
  SubjectName text,
  ExchangeRate numeric(18,4),
  PaySum numeric(18,4),
  SumPaid numeric(18,4),
  PayTime timestamp(0),
  Remark text
);
CREATE TABLE bi_BillItem (
  BillItemID text NOT NULL PRIMARY KEY,
  BillID text,
  MenuID text,
  MenuName text,
  MenuUnitID text,
  MenuUnitName text,
  MenuTypeID text,
  MenuTypeName text,
  DepartTypeID text,
  DepartTypeName text,
  DepartID text,
  DepartName text,
  Price numeric(18,4),
  AmountOrder numeric(18,4),
  AmountCancel numeric(18,4),
  SumOfConsume numeric(18,4),
  SumOfService numeric(18,4),
  SumForDiscount numeric(18,4),
  OrderTime timestamp(0),
  Remark text
);
CREATE TABLE bi_SubBill (
  SubBillID text NOT NULL PRIMARY KEY,
  BillItemID text,
  SubBillNo integer,
  Amount numeric(18,4),
  SumOfConsume numeric(18,4),
  Remark text
);
CREATE TABLE bi_SubItem (
  SubItemID text NOT NULL PRIMARY KEY,
  BillItemID text,
  CookwayID text,
  CookwayName text,
  Price numeric(18,4)
);
CREATE TABLE bi_BillLog (
  BillLogID text NOT NULL PRIMARY KEY,
  BillID text,
  LogTime timestamp(0),
  UserID text,
  Operation text,
  Remark text
);
CREATE TABLE bi_UnCheckBill (
  UnCheckBillID text NOT NULL PRIMARY KEY,
  BillID text,
  ShiftID text,
  BillDate timestamp(0),
  UnCheckTime timestamp(0),
  UserID text,
  Reason text,
  SumOfConsume numeric(18,4),
  IsUploaded integer NOT NULL DEFAULT 0
);
CREATE TABLE bi_UnCheckBillPayment (
  UnCheckBillPaymentID text NOT NULL PRIMARY KEY,
  UnCheckBillID text,
  BillID text,
  SubjectID text,
  SubjectName text,
  PaySum numeric(18,4)
);
CREATE TABLE bi_UnCheckBillItem (
  UnCheckBillItemID text NOT NULL PRIMARY KEY,
  UnCheckBillID text,
  BillID text,
  BillItemID text,
  MenuID text,
  MenuName text,
  AmountOrder numeric(18,4),
  SumOfConsume numeric(18,4)
);
CREATE TABLE bi_OctopusPayment (
  BillID text,
  CardID text,
  DeviceID text,
  BillDate timestamp(0),
  TransTime timestamp(0),
  TransNo text,
  Amount numeric(18,4),
  RemainValue numeric(18,4),
  IsUploaded integer NOT NULL DEFAULT 0
);
CREATE TABLE bi_Shift (
  ShiftID text NOT NULL PRIMARY KEY,
  ShiftDate timestamp(0),
  BeginTime timestamp(0),
  EndTime timestamp(0),
  UserID text,
  UserName text,
  CashBegin numeric(18,4),
  CashEnd numeric(18,4),
  Remark text
);
CREATE TABLE bi_ShiftSum (
  ShiftSumID text NOT NULL PRIMARY KEY,
  ShiftID text,
  SubjectID text,
  SubjectName text,
  SumPaid numeric(18,4),
  SumCounted numeric(18,4)
);
CREATE TABLE bi_ShiftLog (
  ShiftLogID text NOT NULL PRIMARY KEY,
  ShiftID text,
  LogTime timestamp(0),
  UserID text,
  Amount numeric(18,4),
  Remark text
);
CREATE TABLE bi_TempBill (
  BillID text NOT NULL PRIMARY KEY,
  BillIDEx text,
  ShiftID text,
  BillDate timestamp(0),
  BranchID text,
  BranchName text,
  TableID text,
  TableName text,
  Persons integer,
  OpenTime timestamp(0),
  CheckTime timestamp(0),
  CashierID text,
  CashierName text,
  SumOfConsume numeric(18,4),
  SumOfService numeric(18,4),
  SumForDiscount numeric(18,4),
  SumPaid numeric(18,4),
  Remark text,
  IsUploaded integer NOT NULL DEFAULT 0
);
CREATE TABLE bi_TempBillPayment (
  BillPaymentID text NOT NULL PRIMARY KEY,
  BillID text,
  SubjectID text,
  SubjectName text,
  ExchangeRate numeric(18,4),
  PaySum numeric(18,4),
  SumPaid numeric(18,4),
  PayTime timestamp(0),
  Remark text
);
CREATE TABLE bi_TempBillItem (
  BillItemID text NOT NULL PRIMARY KEY,
  BillID text,
  MenuID text,
  MenuName text,
  MenuUnitID text,
  MenuUnitName text,
  MenuTypeID text,
  MenuTypeName text,
  DepartTypeID text,
  DepartTypeName text,
  DepartID text,
  DepartName text,
  Price numeric(18,4),
  AmountOrder numeric(18,4),
  AmountCancel numeric(18,4),
  SumOfConsume numeric(18,4),
  SumOfService numeric(18,4),
  SumForDiscount numeric(18,4),
  OrderTime timestamp(0),
  Remark text
);
CREATE TABLE bi_TempSubBill (
  SubBillID text NOT NULL PRIMARY KEY,
  BillItemID text,
  SubBillNo integer,
  Amount numeric(18,4),
  SumOfConsume numeric(18,4),
  Remark text
);
CREATE TABLE bi_TempSubItem (
  SubItemID text NOT NULL PRIMARY KEY,
  BillItemID text,
  CookwayID text,
  CookwayName text,
  Price numeric(18,4)
);
CREATE TABLE bi_TempBillLog (
  BillLogID text NOT NULL PRIMARY KEY,
  BillID text,
  LogTime timestamp(0),
  UserID text,
  Operation text,
  Remark text
);
CREATE TABLE prn_PrintJob (
  PrintJobID text NOT NULL PRIMARY KEY,
  BillID text,
  PrinterID text,
  CreateTime timestamp(0),
  JobState integer,
  Content text
);
CREATE TABLE prn_PrintJobItem (
  PrintJobItemID text NOT NULL PRIMARY KEY,
  PrintJobID text,
  BillItemID text,
  MenuName text,
  Amount numeric(18,4)
);
CREATE TABLE prn_Printer (
  PrinterID text NOT NULL PRIMARY KEY,
  PrinterName text,
  DeviceName text,
  Remark text
);
CREATE TABLE prn_PrinterList (
  PrinterListID text NOT NULL PRIMARY KEY,
  PrinterID text,
  Remark text
);
CREATE TABLE prn_PrinterList_Department (
  PrinterListID text,
  DepartID text
);
CREATE TABLE prn_PrinterList_Place (
  PrinterListID text,
  PlaceID text
);
CREATE TABLE prn_PrinterQueue (
  PrinterQueueID text NOT NULL PRIMARY KEY,
  PrinterQueueName text,
  Remark text
);
CREATE TABLE prn_Setting (
  SettingID text NOT NULL PRIMARY KEY,
  SettingName text,
  SettingValue text
);
CREATE TABLE st_Bill (
  BillID text NOT NULL PRIMARY KEY,
  BillIDEx text,
  BillTypeID text,
  StockName text,
  "from" text,
  "into" text,
  Summary text,
  InOutFlag integer,
  TotalQty numeric(18,4),
  TotalSum numeric(18,4),
  ReferFlag integer,
  ReferBillID text,
  BillYear integer,
  BillMonth integer,
  BillDay integer,
  BillDate timestamp(0),
  CreatePerson text,
  CreateTime timestamp(0),
  Audited boolean,
  AuditPerson text,
  AuditTime timestamp(0),
  Archived boolean,
  ArchivePerson text,
  ArchiveTime timestamp(0),
  Deleted boolean,
  DeletePerson text,
  DeleteTime timestamp(0),
  Uploaded boolean,
  UploadPerson text,
  UploadTime timestamp(0),
  Remark text
);
CREATE TABLE st_BillItem (
  BillID text,
  RowNum integer,
  ItemID text,
  ItemName text,
  Spec text,
  ItemTypeID text,
  ItemTypeName text,
  StockType text,
  Unit text,
  UnitPrice numeric(18,4),
  TotalQty numeric(18,4),
  TotalSum numeric(18,4),
  BalanceQty numeric(18,4),
  BalanceSum numeric(18,4),
  Remark text
);
CREATE TABLE st_StockItem (
  ItemID text NOT NULL PRIMARY KEY,
  ItemName text,
  Unit text,
  Spec text,
  ItemTypeID text,
  ItemTypeName text,
  Price numeric(18,4)
);
CREATE TABLE st_BillItem_ByDepartment (
  BillDate timestamp(0),
  ItemID text,
  DepartmentID text,
  DepartmentName text,
  theQty numeric(18,4)
);
CREATE TABLE st_Inventory_Full (
  ItemID text NOT NULL PRIMARY KEY,
  ItemName text,
  Unit text,
  Spec text,
  ItemTypeID text,
  ItemTypeName text,
  LocationID text,
  Qty numeric(18,4),
  Amount numeric(18,4),
  LastInTime timestamp(0)
);
CREATE TABLE st_BOM (
  BillDate timestamp(0),
  BranchID text,
  BranchName text,
  ItemID text,
  ItemName text,
  Unit text,
  Spec text,
  ItemTypeID text,
  ItemTypeName text,
  QtyUse numeric(18,4),
  QtyBom numeric(18,4)
);
CREATE TABLE st_Location (
  LocationID text NOT NULL PRIMARY KEY,
  LocationName text,
  Remark text
);
CREATE TABLE st_Department (
  DepartmentID text NOT NULL PRIMARY KEY,
  DepartmentName text,
  Remark text
);
CREATE TABLE st_ItemType (
  ItemTypeID text NOT NULL PRIMARY KEY,
  ItemTypeName text,
  Remark text
);
CREATE TABLE st_Item (
  ItemID text NOT NULL PRIMARY KEY,
  ItemName text,
  ItemTypeID text,
  Unit text,
  Spec text,
  Price numeric(18,4),
  Remark text
);
CREATE TABLE st_ItemUnit (
  ItemID text,
  Unit text,
  Ratio numeric(18,4)
);
CREATE TABLE dd_SupplierType (
  SupplierTypeID text NOT NULL PRIMARY KEY,
  SupplierTypeName text
);
CREATE TABLE dd_Supplier (
  SupplierID text NOT NULL PRIMARY KEY,
  SupplierName text,
  SupplierTypeID text,
  Phone text,
  Address text
);
CREATE TABLE rp_BillItem_Upload (
  MenuID text,
  MenuName text,
  MenuUnitID text,
  MenuUnitName text,
  MenuTypeID text,
  MenuTypeName text,
  DepartTypeID text,
  DepartTypeName text,
  DepartID text,
  DepartName text,
  theAmount numeric(18,4),
  theConsume numeric(18,4),
  theService numeric(18,4),
  theDiscount numeric(18,4),
  BranchID text,
  BranchName text,
  BillDate timestamp(0)
);
CREATE TABLE rp_BillPayment_Upload (
  SubjectID text,
  SubjectName text,
  ExchangeRate numeric(18,4),
  thePaySum numeric(18,4),
  theSumPaid numeric(18,4),
  BranchID text,
  BranchName text,
  BillDate timestamp(0)
);
CREATE TABLE rp_Inventory_Upload (
  ItemID text,
  ItemName text,
  Unit text,
  Spec text,
  ItemTypeID text,
  ItemTypeName text,
  LocationID text,
  Qty numeric(18,4),
  Amount numeric(18,4),
  LastInTime timestamp(0),
  BranchID text,
  BranchName text
);
CREATE TABLE mb_Member (
  MemberID text NOT NULL PRIMARY KEY,
  MemberName text,
  Sex text,
  Birthday timestamp(0),
  MobileNumber text,
  MemberTypeID text,
  JoinDate timestamp(0),
  Remark text,
  IsUploaded integer NOT NULL DEFAULT 0
);
CREATE TABLE mb_MemberCard (
  MemberCardID text NOT NULL PRIMARY KEY,
  MemberID text,
  IssueDate timestamp(0),
  ExpireDate timestamp(0),
  Balance numeric(18,4),
  IntegralSum numeric(18,4),
  CardState integer,
  IsUploaded integer NOT NULL DEFAULT 0
);
CREATE TABLE mb_Consume (
  ConsumeID text NOT NULL PRIMARY KEY,
  MemberID text,
  MemberCardID text,
  BillID text,
  ConsumeTime timestamp(0),
  ConsumeSum numeric(18,4),
  Integral numeric(18,4),
  IsUploaded integer NOT NULL DEFAULT 0
);
CREATE TABLE mb_Summary (
  SummaryID text NOT NULL PRIMARY KEY,
  MemberID text,
  MemberCardID text,
  OperateType text,
  OperateTime timestamp(0),
  Amount numeric(18,4),
  IsUploaded integer NOT NULL DEFAULT 0
);
CREATE TABLE mb_GiftSend (
  GiftSendID text NOT NULL PRIMARY KEY,
  MemberID text,
  MemberCardID text,
  GiftID text,
  Quantity integer,
  IntegralUsed numeric(18,4),
  SendTime timestamp(0),
  IsUploaded integer NOT NULL DEFAULT 0
);
CREATE TABLE mb_Gift (
  GiftID text NOT NULL PRIMARY KEY,
  GiftName text,
  Integral numeric(18,4)
);
CREATE TABLE mb_MemberType (
  MemberTypeID text NOT NULL PRIMARY KEY,
  MemberTypeName text,
  DiscountRate numeric(18,4)
);
CREATE TABLE mb_MemberInfo (
  MemberCardID text NOT NULL PRIMARY KEY,
  MemberID text,
  MemberName text,
  MemberTypeName text,
  MobileNumber text,
  ConsumeSum numeric(18,4),
  IntegralSum numeric(18,4)
);
CREATE TABLE pv_UserGroup (
  UserGroupID text NOT NULL PRIMARY KEY,
  UserGroupName text,
  Remark text
);
CREATE TABLE pv_User (
  UserID text NOT NULL PRIMARY KEY,
  UserName text,
  UserGroupID text,
  PasswordHash text,
  Disabled boolean,
  Remark text
);
CREATE TABLE pv_Privilege (
  UserGroupID text,
  PrivilegeID integer,
  Remark text
);
CREATE TABLE pv_DiscountPV (
  UserGroupID text,
  DiscountID text
);
CREATE TABLE pv_SentMenuPV (
  UserGroupID text,
  SentTypeID text
);
CREATE TABLE pv_CancelMenuPV (
  UserGroupID text,
  CancelTypeID text
);
CREATE TABLE dd_Branch (
  BranchID text NOT NULL PRIMARY KEY,
  BranchName text,
  Address text,
  Phone text
);
CREATE TABLE sys_WorkStation (
  WorkStationID text NOT NULL PRIMARY KEY,
  WorkStationName text,
  Remark text
);
CREATE TABLE dd_Discount (
  DiscountID text NOT NULL PRIMARY KEY,
  DiscountName text,
  DiscountRate numeric(18,4)
);
CREATE TABLE dd_DiscountItem (
  DiscountID text,
  MenuTypeID text,
  DiscountRate numeric(18,4)
);
CREATE TABLE dd_Period (
  PeriodID text NOT NULL PRIMARY KEY,
  PeriodName text,
  BeginTime text,
  EndTime text
);
CREATE TABLE dd_Reason (
  ReasonID text NOT NULL PRIMARY KEY,
  ReasonName text
);
CREATE TABLE dd_Subject (
  SubjectID text NOT NULL PRIMARY KEY,
  SubjectName text,
  SubjectTypeID text,
  ExchangeRate numeric(18,4)
);
CREATE TABLE dd_SubjectType (
  SubjectTypeID text NOT NULL PRIMARY KEY,
  SubjectTypeName text
);
CREATE TABLE ac_Account (
  AccountID text NOT NULL PRIMARY KEY,
  AccountName text,
  AccountTypeID text,
  Balance numeric(18,4)
);
CREATE TABLE ac_AccountType (
  AccountTypeID text NOT NULL PRIMARY KEY,
  AccountTypeName text
);
CREATE TABLE mn_Menu (
  MenuID text NOT NULL PRIMARY KEY,
  MenuName text,
  MenuTypeID text,
  MenuUnitID text,
  DepartID text,
  Price numeric(18,4),
  Remark text
);
CREATE TABLE mn_MenuType (
  MenuTypeID text NOT NULL PRIMARY KEY,
  MenuTypeName text
);
CREATE TABLE mn_MenuUnit (
  MenuUnitID text NOT NULL PRIMARY KEY,
  MenuUnitName text
);
CREATE TABLE mn_Depart (
  DepartID text NOT NULL PRIMARY KEY,
  DepartName text,
  DepartTypeID text
);
CREATE TABLE mn_DepartType (
  DepartTypeID text NOT NULL PRIMARY KEY,
  DepartTypeName text
);
CREATE TABLE mn_BOM (
  MenuID text,
  ItemID text,
  UseAmount numeric(18,4),
  Remark text
);
CREATE TABLE mn_SentType (
  SentTypeID text NOT NULL PRIMARY KEY,
  SentTypeName text
);
CREATE TABLE mn_SentMenu (
  SentTypeID text,
  MenuID text
);
CREATE TABLE mn_CancelType (
  CancelTypeID text NOT NULL PRIMARY KEY,
  CancelTypeName text
);
CREATE TABLE mn_CancelMenu (
  CancelTypeID text,
  MenuID text
);
CREATE TABLE mn_CookwayType (
  CookwayID text NOT NULL PRIMARY KEY,
  CookwayName text,
  Price numeric(18,4)
);
CREATE TABLE mn_CookwaySet (
  CookwaySetID text NOT NULL PRIMARY KEY,
  CookwayID text,
  MenuID text
);
CREATE TABLE mn_Depart_Area (
  DepartID text,
  TableAreaID text
);
CREATE TABLE mn_Depart_Place (
  DepartID text,
  PlaceID text
);
CREATE TABLE mn_MenuPart (
  MenuPartID text NOT NULL PRIMARY KEY,
  MenuPartName text
);
CREATE TABLE mn_MenuSet (
  MenuSetID text,
  MenuID text,
  Amount numeric(18,4)
);
CREATE TABLE mn_Place (
  PlaceID text NOT NULL PRIMARY KEY,
  PlaceName text
);
CREATE TABLE mn_Request (
  RequestID text NOT NULL PRIMARY KEY,
  RequestName text,
  RequestTypeID text
);
CREATE TABLE mn_RequestType (
  RequestTypeID text NOT NULL PRIMARY KEY,
  RequestTypeName text
);
CREATE TABLE mn_TasteType (
  TasteTypeID text NOT NULL PRIMARY KEY,
  TasteTypeName text
);
CREATE TABLE mn_SpecailMenu (
  MenuID text,
  SpecailTypeID text,
  Price numeric(18,4)
);
CREATE TABLE mn_SpecailType (
  SpecailTypeID text NOT NULL PRIMARY KEY,
  SpecailTypeName text
);
CREATE TABLE mn_MenuPrice (
  MenuPriceID text NOT NULL PRIMARY KEY,
  MenuPriceName text,
  BeginDate timestamp(0),
  EndDate timestamp(0)
);
CREATE TABLE mn_MenuPriceItem (
  MenuPriceID text,
  MenuID text,
  Price numeric(18,4)
);
CREATE TABLE tb_Table (
  TableID text NOT NULL PRIMARY KEY,
  TableName text,
  TableAreaID text,
  TableTypeID text,
  Seats integer,
  TableState integer NOT NULL DEFAULT 0
);
CREATE TABLE tb_TableArea (
  TableAreaID text NOT NULL PRIMARY KEY,
  TableAreaName text
);
CREATE TABLE tb_TableType (
  TableTypeID text NOT NULL PRIMARY KEY,
  TableTypeName text
);
CREATE TABLE tb_TableMenu (
  TableTypeID text,
  MenuID text,
  Amount numeric(18,4)
);
CREATE TABLE tb_BookType (
  BookTypeID text NOT NULL PRIMARY KEY,
  BookTypeName text
);

CREATE INDEX ix_bi_BillPayment_BillID ON bi_BillPayment (BillID);
CREATE INDEX ix_bi_BillItem_BillID ON bi_BillItem (BillID);
CREATE INDEX ix_bi_SubBill_BillItemID ON bi_SubBill (BillItemID);
CREATE INDEX ix_bi_SubItem_BillItemID ON bi_SubItem (BillItemID);
CREATE INDEX ix_bi_BillLog_BillID ON bi_BillLog (BillID);
CREATE INDEX ix_bi_ShiftSum_ShiftID ON bi_ShiftSum (ShiftID);
CREATE INDEX ix_bi_ShiftLog_ShiftID ON bi_ShiftLog (ShiftID);
CREATE INDEX ix_st_BillItem_BillID ON st_BillItem (BillID);
