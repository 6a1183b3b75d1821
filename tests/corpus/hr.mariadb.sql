-- People and their managers: departments led by an employee, employees in a department, reporting
-- to another employee, a badge each and a numbered history of jobs.
create table departments (
  id int not null primary key,
  name varchar(50) not null unique,
  manager_id int
) engine = InnoDB default charset = utf8mb4;
create table jobs (
  code char(6) not null primary key,
  job_title varchar(40) not null,
  min_salary int not null check (min_salary between 1000 and 5000)
) engine = InnoDB default charset = utf8mb4;
create table employees (
  id int not null primary key,
  first_name varchar(30) not null,
  last_name varchar(30) not null,
  email varchar(80) not null unique,
  phone_number varchar(20),
  hire_date date not null,
  birth_date date,
  salary decimal(9, 2) not null check (salary between 1000 and 20000),
  department_id int not null,
  manager_id int,
  job_code char(6) not null,
  foreign key (department_id) references departments (id),
  foreign key (manager_id) references employees (id),
  foreign key (job_code) references jobs (code)
) engine = InnoDB default charset = utf8mb4;
alter table departments add foreign key (manager_id) references employees (id);
create table badges (
  employee_id int not null unique,
  badge_no char(10) not null,
  foreign key (employee_id) references employees (id)
) engine = InnoDB default charset = utf8mb4;
create table job_history (
  employee_id int not null,
  seq_no smallint not null,
  job_code char(6) not null,
  start_date date not null,
  primary key (employee_id, seq_no),
  foreign key (employee_id) references employees (id),
  foreign key (job_code) references jobs (code)
) engine = InnoDB default charset = utf8mb4;
